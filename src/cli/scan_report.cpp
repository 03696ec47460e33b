#include "cli/scan_report.h"

#include "format/unicode.h"
#include "model/table_summary.h"

namespace tarvex::cli {
namespace {

using json = nlohmann::ordered_json;

json ColumnReport(const model::CAccessColInfo& column) {
  return {{"name", format::ToUtf8(column.name)},
          {"number", column.columnNumber},
          {"type", column.type},
          {"length", column.length},
          {"flags", column.flags},
          {"fixed", !column.IsVariable()}};
}

json IndexReport(const model::CAccessTableIndex& index, const model::CAccessColumnList& columns) {
  json keyColumns = json::array();
  for (int slot = 0; slot < index.columnCount; ++slot) {
    const auto& key = index.columns[static_cast<size_t>(slot)];
    keyColumns.push_back(
        {{"column", format::ToUtf8(columns.NameOfNumber(static_cast<uint16_t>(key.columnNumber)))},
         {"number", key.columnNumber},
         {"ascending", key.ascending}});
  }
  return {{"name", format::ToUtf8(index.name)},
          {"primaryKey", index.primaryKey},
          {"unique", index.unique},
          {"ignoreNulls", index.ignoreNulls},
          {"required", index.required},
          {"columns", keyColumns}};
}

json Offsets(const std::vector<uint64_t>& offsets) {
  json list = json::array();
  for (uint64_t offset : offsets) list.push_back(offset);
  return list;
}

json TableReport(const model::CAccessTable& table) {
  json columns = json::array();
  for (const auto& column : table.columnList) columns.push_back(ColumnReport(column.colInfo));
  json indexes = json::array();
  for (const auto& index : table.indexList) indexes.push_back(IndexReport(index, table.columnList));
  return {{"name", format::ToUtf8(table.name)},
          {"visible", model::IsVisibleTable(table.name)},
          {"definitionOffset", table.tableDefOffset},
          {"rowCount", table.tableDefInfo.rowCount},
          {"dataPages", table.dataPageList.size()},
          {"columns", columns},
          {"indexes", indexes},
          {"losses", LossReport(table.losses)}};
}

}  // namespace

json LossReport(const model::TableLosses& losses) {
  json skipped = json::array();
  for (const auto& rows : losses.skipped)
    skipped.push_back({{"reason", model::RowLossText(rows.reason)},
                       {"pageOffset", rows.pageOffset},
                       {"rows", rows.rows}});
  json values = json::array();
  for (const auto& column : losses.values)
    if (column.partial || column.unreadable)
      values.push_back({{"column", format::ToUtf8(column.column)},
                        {"partial", column.partial},
                        {"unreadable", column.unreadable}});
  return {{"rowsSkipped", losses.SkippedRowCount()},
          {"skipped", skipped},
          {"unreadablePages", Offsets(losses.unreadablePages)},
          {"values", values},
          {"dataFileFailed", losses.dataFileFailed},
          {"definitionLost", losses.definitionLost}};
}

json ScanReport(const model::CAccessData& model) {
  json tables = json::array();
  for (const auto& table : model.tableList) tables.push_back(TableReport(*table));
  json queries = json::array();
  for (auto* query = model.queryObjectList.head(); query; query = query->next) {
    queries.push_back({{"name", format::ToUtf8(query->name)},
                       {"id", format::ToUtf8(query->id)},
                       {"flags", format::ToUtf8(query->flags)}});
  }
  return {{"tables", tables},
          {"queryCatalogue", queries},
          {"unreadablePages", Offsets(model.unreadablePages)}};
}

}  // namespace tarvex::cli
