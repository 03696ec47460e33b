// The row step: every row of every created table, from its table data file
// into a new record, each value into the field made for its column.

#include "engine/file_reader.h"
#include "engine/job_status.h"
#include "engine/version_handler.h"
#include "format/unicode.h"
#include "format/value_binary.h"
#include "format/value_types.h"
#include "writer/access_save_repaired_file.h"
#include "writer/field_plan.h"
#include "writer/object_names.h"
#include "writer/refused_rows.h"
#include "writer/save_status.h"
#include "writer/value_rules.h"

namespace tarvex::writer {
namespace {

using format::ColumnType;
using format::FromUtf8;
using format::TypeCode;

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
  auto& progress = engine::ProgressStatus();
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
  FinishStep(settings_.stepPause);
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
  auto closeRecordset = [&] {
    try {
      database_->CloseRecordset();
    } catch (const dao::DaoException&) {
      // Closing only drops an unsaved record; what was stored stays.
    }
  };
  const int columnCount = table.tableDefInfo.columnCount;
  auto& progress = engine::ProgressStatus();
  RefusedRows refusedRows(table, columnCount);
  bool atEnd = false;
  while (!atEnd && !dataFile_.AtEnd()) {
    bool started = false;
    std::string refusal;  // why the engine did not take the record
    for (int position = 0; position < columnCount; ++position) {
      std::u16string& text = refusedRows.ValueText(position);
      const model::RecordKind kind = dataFile_.ReadRecord(text);
      if (kind == model::RecordKind::kEnd) {
        atEnd = true;
        break;
      }
      if (!started) {
        // Every row becomes a record of its own, even one whose values are all empty.
        started = true;
        progress.Step();
        refusedRows.StartRow();
        try {
          database_->AddNew();
        } catch (const dao::DaoException& error) {
          refusal = error.what();
        }
      }
      if (kind == model::RecordKind::kRowEnd) break;
      if (kind == model::RecordKind::kValue) {
        refusedRows.KeepValue(position);
        if (refusal.empty()) WriteValue(table, saved, position, text, entry);
      }
      if (!Saving()) {
        closeRecordset();  // the pending record is not stored
        return false;
      }
    }
    if (!started) break;
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
      if (!refusedRows.KeepRow(refusal))
        entry.refusedRowsProblem = "The working folder cannot hold the refused rows.";
    }
    if (!Saving()) {
      closeRecordset();
      return false;
    }
  }
  closeRecordset();
  if (refusedRows.count() > 0) SaveRefusedRows(table, saved, refusedRows, entry);
  return true;
}

void CAccessSaveRepairedFile::WriteValue(const model::CAccessTable& table, const SavedTable& saved,
                                         int position, const std::u16string& text,
                                         TableSaveReport& entry) {
  if (static_cast<size_t>(position) >= saved.fieldOfColumn.size()) return;
  const int field = saved.fieldOfColumn[static_cast<size_t>(position)];
  if (field < 0) return;  // the column has no field; the report names it
  const auto& column = table.columnList.At(position)->colInfo;
  auto refuse = [&](const std::string& reason) {
    NoteRefused(entry.refusedValues[column.name], reason);
  };
  try {
    if (HoldsBytes(column.type)) {
      if (column.type == TypeCode(ColumnType::kOle) && text.empty()) return;
      std::string failure;
      if (!ReadValueBytes(column.type, text, failure)) {
        refuse(failure);
        return;
      }
      database_->SetFieldValue(field, std::span<const uint8_t>(oleBytes_));
    } else if (text.empty()) {
      // An empty text is a zero-length string where the field holds one, else null.
      if (HoldsZeroLengthText(saved.fieldType[static_cast<size_t>(position)]))
        database_->SetFieldValue(field, std::u16string_view());
    } else {
      const PreparedValue value = PrepareValue(column.type, text, preparedText_);
      if (value.dropped) {
        refuse(value.dropReason);
        return;
      }
      database_->SetFieldValue(field, value.text);
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
  const bool jet3 = !engine::SourceIsJet4();
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

bool CAccessSaveRepairedFile::ReadValueBytes(int type, const std::u16string& text,
                                             std::string& failure) {
  if (type == TypeCode(ColumnType::kBinary)) {
    const auto version =
        engine::SourceIsJet4() ? format::JetVersion::kJet4 : format::JetVersion::kJet3;
    oleBytes_ = format::BinaryValueBytes(version, text);
    return true;
  }
  // An OLE object's text is the path of the file that holds its bytes.
  model::CErrorHandler error;
  if (engine::CFileReader::ReadAll(format::ToUtf8(text), oleBytes_, error)) return true;
  failure = "The OLE object file cannot be read: " + format::ToUtf8(error.Message());
  return false;
}

}  // namespace tarvex::writer
