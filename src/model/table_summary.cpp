#include "model/table_summary.h"

namespace tarvex::model {
namespace {

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

bool IsVisibleTable(const std::u16string& name) {
  if (name.starts_with(u"MSys")) return false;
  return !(name.starts_with(u"f_") && name.size() > 32);
}

TableSummary SummariseTables(const CAccessData& model) {
  TableSummary result;
  uint64_t totalRows = 0;
  std::u16string details;
  for (const auto& table : model.tableList) {
    if (!IsVisibleTable(table->name)) continue;
    result.visibleTables.push_back(table.get());
    const uint32_t rows = table->tableDefInfo.rowCount;
    totalRows += rows;
    details += u"\r\n  " + table->name +
               Ascii(" : " + std::to_string(rows) + " records" + LossNote(table->losses));
  }
  result.summary = Ascii("Total " + std::to_string(totalRows) + " records in " +
                         std::to_string(result.visibleTables.size()) + " Tables.") +
                   details;
  return result;
}

std::u16string TableDetailText(const CAccessTable& table) {
  return u"Table Name : " + table.name +
         Ascii("\r\nTotal Column(s) : " + std::to_string(table.columnList.count()) +
               "\r\nTotal Row(s) : " + std::to_string(table.tableDefInfo.rowCount));
}

std::optional<std::u16string> SelectionText(const CAccessData& model,
                                            const std::u16string& itemText,
                                            const std::u16string& storedSummary) {
  if (itemText == kRecoveredTablesRoot) return storedSummary;
  for (const auto& table : model.tableList) {
    if (table->name == itemText) return TableDetailText(*table);
  }
  return std::nullopt;
}

}  // namespace tarvex::model
