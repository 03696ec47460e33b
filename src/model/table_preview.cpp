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

void PreviewTable(const CAccessTable& table, const std::function<bool()>& stopRequested,
                  const TablePreviewCallbacks& callbacks) {
  if (stopRequested()) return;
  if (callbacks.header) callbacks.header(HeaderTexts(table.columnList));
  const int columnCount = table.columnList.count();
  CDataFileReader reader(table.DataFilePath());
  if (columnCount == 0 || !reader.Open()) return;
  TablePreviewRow row;
  std::u16string value;
  for (row.index = 0; !reader.AtEnd() && !stopRequested(); ++row.index) {
    row.cells.assign(static_cast<size_t>(columnCount), std::u16string());
    int read = 0;
    while (read < columnCount && !stopRequested() && reader.ReadTextRecord(value)) {
      row.cells[static_cast<size_t>(read)] = PreviewCellText(table, read, value);
      ++read;
    }
    row.complete = read == columnCount;
    if (read > 0 && callbacks.row) callbacks.row(row);
    if (!row.complete) return;
  }
}

}  // namespace tarvex::model
