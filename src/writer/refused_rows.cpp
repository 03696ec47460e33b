#include "writer/refused_rows.h"

#include <unordered_set>

#include "format/unicode.h"
#include "writer/access_save_repaired_file.h"
#include "writer/field_plan.h"
#include "writer/object_names.h"

namespace tarvex::writer {
namespace {

constexpr int kMemoField = 12;
constexpr int kLongBinaryField = 11;

// A field that takes any value text, or any bytes.
dao::FieldInfo MemoField(std::u16string name, bool bytes) {
  dao::FieldInfo field;
  field.name = std::move(name);
  field.type = bytes ? kLongBinaryField : kMemoField;
  field.attributes = dao::kDbVariableField | dao::kDbUpdatableField;
  return field;
}

}  // namespace

RefusedRows::RefusedRows(const model::CAccessTable& table, int columnCount)
    : path_(model::TableDataFilePath(table.tableDefOffset).string() + ".refused"),
      columnCount_(std::max(columnCount, 0)) {}

RefusedRows::~RefusedRows() {
  file_.Close();
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

bool RefusedRows::KeepRow(std::span<const PendingValue> values, const std::string& reason) {
  if (!started_) {
    started_ = true;
    failed_ = !file_.CreateAt(path_);
  }
  if (failed_) return false;
  bool written = true;
  size_t next = 0;
  for (int position = 0; position < columnCount_; ++position) {
    const bool present = next < values.size() && values[next].position == position;
    written =
        (present ? file_.AppendValueText(values[next++].text) : file_.AppendNull()) && written;
  }
  written = file_.AppendValueText(format::FromUtf8(reason)) && written;
  failed_ = !written;
  if (written) ++count_;
  return written;
}

bool RefusedRows::OpenForReading(model::CDataFileReader& reader) {
  if (!started_ || failed_ || !file_.Close()) return false;
  reader.SetPath(path_);
  return reader.Open();
}

void CAccessSaveRepairedFile::SaveRefusedRows(const model::CAccessTable& table,
                                              const SavedTable& saved, RefusedRows& rows,
                                              TableSaveReport& entry) {
  const std::u16string name =
      UniqueObjectName(saved.name + kRefusedTableSuffix, u"RecoveredTable", usedTableNames_);
  const int columns = std::min(rows.columnCount(), table.columnList.count());
  auto fail = [&](const std::string& why) {
    entry.refusedRowsProblem = why;
    Log(u"Table '" + table.name + u"': the refused rows are not kept: " + format::FromUtf8(why));
  };
  // Every value as its text in a memo field, whatever the column's type, so
  // that nothing the engine refused is refused again; bytes stay bytes.
  try {
    database_->CreateTableDef(name, dao::kDbAttachExclusive);
    std::unordered_set<std::u16string> usedFields{FoldName(kRefusedReasonField)};
    for (int position = 0; position < columns; ++position) {
      const auto& column = table.columnList.At(position)->colInfo;
      database_->CreateField(
          MemoField(UniqueObjectName(column.name, u"Field", usedFields), HoldsBytes(column.type)));
    }
    database_->CreateField(MemoField(kRefusedReasonField, false));
    database_->AppendTableDef();
    database_->CloseTableDef();
  } catch (const dao::DaoException& error) {
    try {
      database_->CloseTableDef();
    } catch (const dao::DaoException&) {
      // Closing only releases the definition.
    }
    fail(error.what());
    return;
  }
  model::CDataFileReader reader;
  if (!rows.OpenForReading(reader)) {
    fail("The refused rows cannot be read back from the working folder.");
    return;
  }
  entry.refusedTable = name;
  std::u16string text;
  std::vector<uint8_t> bytes;
  std::string failure;
  try {
    database_->OpenRecordset(u"SELECT * FROM [" + name + u"]");
    for (uint64_t row = 0; row < rows.count() && Saving(); ++row) {
      database_->AddNew();
      for (int position = 0; position < rows.columnCount(); ++position) {
        const bool value = reader.ReadRecord(text) == model::RecordKind::kValue;
        if (!value || position >= columns) continue;
        const int type = table.columnList.At(position)->colInfo.type;
        if (!HoldsBytes(type))
          database_->SetFieldValue(position, text);
        else if (!text.empty() &&
                 ReadValueBytes(job_.sourceLayout().version, type, text, bytes, failure))
          database_->SetFieldValue(position, std::span<const uint8_t>(bytes));
      }
      if (reader.ReadRecord(text) == model::RecordKind::kValue)
        database_->SetFieldValue(columns, text);
      database_->Update();
      ++entry.rowsInRefusedTable;
    }
    database_->CloseRecordset();
  } catch (const dao::DaoException& error) {
    // Memo fields take any text: what stops a row here stops the rest too.
    fail(error.what());
  }
  Log(u"Table '" + table.name + u"': " +
      format::FromUtf8(std::to_string(entry.rowsInRefusedTable)) + u" refused rows are kept in '" +
      name + u"'.");
}

}  // namespace tarvex::writer
