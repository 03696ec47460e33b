// The row step: every row of every created table, from its table data file
// into a new record, each value into the field made for its column.

#include "format/unicode.h"
#include "writer/access_save_repaired_file.h"
#include "writer/batch_pipeline.h"
#include "writer/object_names.h"
#include "writer/refused_rows.h"
#include "writer/row_batches.h"

namespace tarvex::writer {
namespace {

using format::FromUtf8;

void NoteRefused(RefusedValues& refused, const std::string& reason) {
  if (refused.count++ == 0) refused.firstReason = reason;
}

}  // namespace

bool CAccessSaveRepairedFile::SaveTableData() {
  if (!model) return false;
  uint64_t rows = 0;
  for (const auto& table : model->tableList)
    if (!IsSystemObjectName(table->name) || table->name == u"MSysRelationships")
      rows += table->tableDefInfo.rowCount;
  auto& progress = job_.progress();
  progress.Restart(rows);
  if (!OpenDatabase()) return false;
  if (!Saving()) {
    CloseDatabase();
    return false;
  }
  Log(u"Saving tables data");
  for (const auto& table : model->tableList) {
    auto saved = savedTables_.find(table.get());
    if (saved == savedTables_.end() || table->tableDefInfo.columnCount == 0) continue;
    if (!OpenTableDataFile(table->tableDefOffset)) {
      report_.tables[saved->second.report].problem = "Its recovered rows cannot be read.";
      continue;
    }
    SetCaption(u"(Step 2/2)Saving table data: " + table->name);
    Log(u"Saving data for " + table->name + u"...");
    const bool finished = SaveRows(*table, saved->second, report_.tables[saved->second.report]);
    dataFile_.Close();
    if (!finished || !Saving()) {
      CloseDatabase();
      return false;
    }
  }
  const bool closed = CloseDatabase();
  if (closed) ReportIndexesLeftOut();
  progress.SetPosition(progress.Maximum());
  FinishStep();
  return closed;
}

bool CAccessSaveRepairedFile::SaveRows(const model::CAccessTable& table, const SavedTable& saved,
                                       TableSaveReport& entry) {
  try {
    database_->OpenRecordset(u"SELECT * FROM [" + saved.name + u"]");
  } catch (const dao::DaoException& error) {
    entry.problem = std::string("Its rows cannot be written: ") + error.what();
    Log(u"Table " + table.name + u": " + FromUtf8(entry.problem));
    return true;
  }
  // The next rows are read and converted while these are stored.
  CRowReader reader(dataFile_, table.tableDefInfo.columnCount);
  const CRowPreparer preparer(job_.sourceLayout().version, table, saved.fieldOfColumn,
                              saved.fieldType, *database_);
  CBatchPipeline batches([&reader](RowBatch& batch) { return reader.Read(batch); },
                         [&preparer](RowBatch& batch) { preparer.Prepare(batch); });
  auto closeRecordset = [&] {
    batches.Stop();  // the converter goes with the recordset
    try {
      database_->CloseRecordset();
    } catch (const dao::DaoException&) {
      // Closing only drops an unsaved record; what was stored stays.
    }
  };
  auto& progress = job_.progress();
  RefusedRows refusedRows(table, table.tableDefInfo.columnCount);
  while (RowBatch* batch = batches.Next()) {
    for (const PendingRow& row : batch->rows) {
      const std::span<PendingValue> values(batch->values.data() + row.firstValue, row.valueCount);
      progress.Step();
      std::string refusal;  // why the engine did not take the record
      try {
        database_->AddNew();
      } catch (const dao::DaoException& error) {
        refusal = error.what();
      }
      for (PendingValue& value : values) {
        if (refusal.empty()) StoreValue(table, value, entry);
        if (!Saving()) {
          closeRecordset();  // the pending record is not stored
          return false;
        }
      }
      if (refusal.empty()) {
        try {
          database_->Update();
          ++entry.rowsWritten;
        } catch (const dao::DaoException& error) {
          refusal = error.what();
        }
      }
      if (!refusal.empty()) {
        NoteRefused(entry.rowsRefused, refusal);
        if (!refusedRows.KeepRow(values, refusal))
          entry.refusedRowsProblem = "The working folder cannot hold the refused rows.";
      }
      if (!Saving()) {
        closeRecordset();
        return false;
      }
    }
  }
  closeRecordset();
  if (refusedRows.count() > 0) SaveRefusedRows(table, saved, refusedRows, entry);
  return true;
}

void CAccessSaveRepairedFile::StoreValue(const model::CAccessTable& table, PendingValue& value,
                                         TableSaveReport& entry) {
  using Action = PendingValue::Action;
  if (value.action == Action::kNone) return;
  auto refuse = [&](const std::string& reason) {
    NoteRefused(entry.refusedValues[table.columnList.At(value.position)->colInfo.name], reason);
  };
  try {
    switch (value.action) {
      case Action::kConverted:
        database_->SetFieldValue(value.field, value.converted);
        break;
      case Action::kBytes:
        database_->SetFieldValue(value.field, std::span<const uint8_t>(value.bytes));
        break;
      case Action::kRefused:
        refuse(value.refusal);
        break;
      case Action::kNone:
        break;
    }
  } catch (const dao::DaoException& error) {
    refuse(error.what());
  }
}

void CAccessSaveRepairedFile::ReportIndexesLeftOut() {
  static const std::string kTextReason =
      "It holds text with characters beyond Latin-1, which the engine cannot key as Access does.";
  static const std::string kRelationshipReason =
      "It enforced a relationship keyed on text with characters beyond Latin-1, which the engine "
      "cannot key as Access does; the relationship is kept, not enforced.";
  // Access 97 keys text by the database's code page; the engine knows those keys for 1252 only.
  static const std::string kJet3TextReason =
      "It holds text in a code page whose Access 97 keys the engine does not know.";
  static const std::string kJet3RelationshipReason =
      "It enforced a relationship keyed on text in a code page whose Access 97 keys the engine "
      "does not know; the relationship is kept, not enforced.";
  const bool jet3 = !SourceIsJet4();
  for (const auto& left : database_->IndexesLeftOut()) {
    const std::string& reason = left.enforcedRelationship
                                    ? (jet3 ? kJet3RelationshipReason : kRelationshipReason)
                                    : (jet3 ? kJet3TextReason : kTextReason);
    for (auto& entry : report_.tables)
      if (entry.savedName == left.table) entry.indexesNotCreated.push_back({left.index, reason});
    Log(u"Index '" + left.index + u"' of table '" + left.table + u"' is left out: " +
        FromUtf8(reason));
  }
}

}  // namespace tarvex::writer
