#include "cli/save_report_json.h"

#include "cli/scan_report.h"
#include "format/unicode.h"

namespace tarvex::cli {
namespace {

using format::ToUtf8;
using nlohmann::ordered_json;

ordered_json Skipped(const std::vector<writer::SkippedItem>& items) {
  ordered_json list = ordered_json::array();
  for (const auto& item : items)
    list.push_back({{"name", ToUtf8(item.name)}, {"reason", item.reason}});
  return list;
}

ordered_json Names(const std::vector<std::u16string>& names) {
  ordered_json list = ordered_json::array();
  for (const auto& name : names) list.push_back(ToUtf8(name));
  return list;
}

ordered_json Properties(const std::vector<writer::RefusedProperty>& properties) {
  ordered_json list = ordered_json::array();
  for (const auto& p : properties)
    list.push_back(
        {{"object", ToUtf8(p.object)}, {"property", ToUtf8(p.property)}, {"reason", p.reason}});
  return list;
}

ordered_json Refused(const writer::RefusedValues& refused) {
  return {{"count", refused.count}, {"firstReason", refused.firstReason}};
}

ordered_json Table(const writer::TableSaveReport& table) {
  ordered_json json;
  json["name"] = ToUtf8(table.name);
  json["savedAs"] =
      table.savedName.empty() ? ordered_json(nullptr) : ordered_json(ToUtf8(table.savedName));
  if (!table.problem.empty()) json["problem"] = table.problem;
  json["rowsRecovered"] = table.rowsRecovered;
  json["rowsWritten"] = table.rowsWritten;
  if (table.rowsRefused.count) json["rowsRefused"] = Refused(table.rowsRefused);
  if (!table.refusedTable.empty() || !table.refusedRowsProblem.empty()) {
    json["refusedRowsTable"] = {{"name", ToUtf8(table.refusedTable)},
                                {"rows", table.rowsInRefusedTable}};
    if (!table.refusedRowsProblem.empty())
      json["refusedRowsTable"]["problem"] = table.refusedRowsProblem;
  }
  ordered_json refused = ordered_json::object();
  for (const auto& [column, values] : table.refusedValues)
    refused[ToUtf8(column)] = Refused(values);
  json["refusedValues"] = refused;
  ordered_json renamed = ordered_json::object();
  for (const auto& [from, to] : table.renamedFields) renamed[ToUtf8(from)] = ToUtf8(to);
  json["renamedFields"] = renamed;
  json["fieldsNotCreated"] = Skipped(table.fieldsNotCreated);
  json["indexesNotCreated"] = Skipped(table.indexesNotCreated);
  json["propertiesRefused"] = Properties(table.propertiesRefused);
  json["losses"] = LossReport(table.losses);
  return json;
}

}  // namespace

ordered_json SaveReportJson(const writer::SaveReport& report) {
  ordered_json json;
  json["output"] = report.outputPath.string();
  json["saved"] = report.saved;
  if (!report.failure.empty()) json["failure"] = report.failure;
  json["rowsRecovered"] = report.RowsRecovered();
  json["rowsWritten"] = report.RowsWritten();
  json["valuesRefused"] = report.ValuesRefused();
  json["databasePropertiesRefused"] = Properties(report.databasePropertiesRefused);
  ordered_json tables = ordered_json::array();
  for (const auto& table : report.tables) tables.push_back(Table(table));
  json["tables"] = tables;
  ordered_json orphans = ordered_json::object();
  for (const auto& [name, rows] : report.relationshipOrphanRows) orphans[ToUtf8(name)] = rows;
  json["relationships"] = {{"written", Names(report.relationshipsWritten)},
                           {"skipped", Skipped(report.relationshipsSkipped)},
                           {"orphanRows", orphans}};
  json["queries"] = {{"written", Names(report.queriesWritten)},
                     {"skipped", Skipped(report.queriesSkipped)},
                     {"rebuiltFromSql", Skipped(report.queriesRebuilt)}};
  return json;
}

}  // namespace tarvex::cli
