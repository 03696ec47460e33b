#include "model/table_preview.h"

#include "format/value_types.h"
#include "model/complex_columns.h"
#include "model/table_data_file.h"
#include "model/text_number.h"

namespace tarvex::model {
namespace {

using format::ColumnType;
using format::TypeCode;

constexpr size_t kMemoPreviewLimit = 100;  // longer memo texts are cut
constexpr size_t kMemoPreviewKept = 90;
constexpr std::u16string_view kMemoMark = u"[Memo...]";
constexpr int kMultiValuedLong = 27;  // the complex types whose values are lists of items
constexpr int kMultiValuedText = 37;
constexpr int kAttachment = 39;

std::vector<std::u16string> HeaderTexts(const CAccessColumnList& columns) {
  std::vector<std::u16string> names;
  for (const auto& column : columns)
    names.push_back(column.colInfo.name.substr(0, kMaxPreviewHeaderLength));
  return names;
}

std::u16string MemoText(const std::u16string& value) {
  if (value.size() <= kMemoPreviewLimit) return value;
  return value.substr(0, kMemoPreviewKept) + std::u16string(kMemoMark);
}

std::u16string ComplexText(const CAccessColumn& column, const std::u16string& value) {
  if (!column.complexInfo) return u"<Data>";
  const auto& info = *column.complexInfo;
  switch (ParseDecimal(info.complexType)) {
    case kMultiValuedLong:
    case kMultiValuedText: {
      const auto flatTable = FlatTableDataFilePath(info);
      if (!flatTable) return {};
      CComplexParser parser;
      parser.SetPath(*flatTable);
      return parser.MultiValuedList(value);
    }
    case kAttachment:
      return u"Attachement";
    default:
      return u"<Complex Data>";
  }
}

}  // namespace

std::u16string PreviewCellText(const CAccessTable& table, int position,
                               const std::u16string& value) {
  const CAccessColumn* column = table.columnList.At(position);
  if (!column) return value;
  switch (column->colInfo.type) {
    case TypeCode(ColumnType::kMemo):
      return MemoText(value);
    case TypeCode(ColumnType::kComplex):
      return ComplexText(*column, value);
    case TypeCode(ColumnType::kOle):
      return u"Ole";
    default:
      return value;
  }
}

std::vector<std::u16string> PreviewHeader(const CAccessTable& table) {
  return HeaderTexts(table.columnList);
}

bool CTablePreviewReader::Open() {
  reader_.SetPath(table_.DataFilePath());
  finished_ = table_.columnList.count() == 0 || !reader_.Open();
  return !finished_;
}

bool CTablePreviewReader::NextRow(TablePreviewRow& row,
                                  const std::function<bool()>& stopRequested) {
  if (finished_ || reader_.AtEnd() || stopRequested()) {
    finished_ = finished_ || reader_.AtEnd();
    return false;
  }
  const int columnCount = table_.columnList.count();
  row.index = nextIndex_++;
  row.cells.assign(static_cast<size_t>(columnCount), std::u16string());
  int read = 0;
  while (read < columnCount && !stopRequested() && reader_.ReadTextRecord(value_)) {
    row.cells[static_cast<size_t>(read)] = PreviewCellText(table_, read, value_);
    ++read;
  }
  row.complete = read == columnCount;
  // A row cut short (by the file's end or a damaged record) ends the reading.
  if (!row.complete) finished_ = true;
  return read > 0;
}

void PreviewTable(const CAccessTable& table, const std::function<bool()>& stopRequested,
                  const TablePreviewCallbacks& callbacks) {
  if (stopRequested()) return;
  if (callbacks.header) callbacks.header(PreviewHeader(table));
  CTablePreviewReader reader(table);
  if (!reader.Open()) return;
  TablePreviewRow row;
  while (reader.NextRow(row, stopRequested)) {
    if (callbacks.row) callbacks.row(row);
    if (!row.complete) return;
  }
}

}  // namespace tarvex::model
