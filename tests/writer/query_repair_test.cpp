// Every saved query of a real file comes back in its repair: the engine stores
// the text rebuilt from the source's rows, mdbtools lists every query, our own
// scanner rebuilds the same text from the rows the engine wrote, and those rows
// are the source's, row for row, as an independent reader reads both files.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "engine_repair.h"
#include "format/unicode.h"
#include "query/query_rows.h"
#include "query/recovered_queries.h"
#include "support/oracle_readers.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::test {
namespace {

namespace fs = std::filesystem;
using format::ToUtf8;

// Query name -> SQL text, as a repair rebuilds them from a file's rows; the
// hidden record sources of forms are left out, as a repair leaves them.
std::map<std::string, std::string> RebuiltQueries(const fs::path& file) {
  const auto scan = ScanFile(file);
  query::QueryRowList rows;
  query::ReadQueryRows(*scan->model(), rows);
  std::map<std::string, std::string> queries;
  for (const auto& query : query::RecoverQueries(rows, scan->model()->queryObjectList))
    if (!query.name.starts_with(u"~sq")) queries[ToUtf8(query.name)] = ToUtf8(query.sql);
  return queries;
}

std::vector<fs::path> FixturesWithQueries() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(FixturesDir() / "real" / "truth")) {
    std::ifstream in(entry.path());
    const auto truth = nlohmann::json::parse(in);
    if (truth.contains("queries") && !truth["queries"].empty())
      files.push_back(FixturesDir() / "real" / entry.path().stem());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A MSysQueries row as text: attribute/order, then name1, name2, expression
// and flag, a null shown as "null". LvExtra is left out: Access leaves stale
// numbers in it.
std::string RowText(const std::string& attribute, uint32_t order, const nlohmann::json& name1,
                    const nlohmann::json& name2, const nlohmann::json& expression,
                    const nlohmann::json& flag) {
  const auto text = [](const nlohmann::json& v) {
    return v.is_string() ? v.get<std::string>() : std::string("null");
  };
  return attribute + "/" + std::to_string(order) + " " + text(name1) + " | " + text(name2) + " | " +
         text(expression) + " | " + text(flag);
}

// The rows of every saved query of the source, by query name, as the
// ground-truth dump lists them; the hidden record sources of forms are left out.
std::map<std::string, std::vector<std::string>> TruthQueryRows(const fs::path& file) {
  std::ifstream in(FixturesDir() / "real" / "truth" / (file.filename().string() + ".json"));
  const auto truth = nlohmann::json::parse(in);
  std::map<std::string, std::vector<std::string>> queries;
  for (const auto& query : truth["queries"]) {
    const std::string name = query["name"];
    if (name.starts_with("~sq")) continue;
    auto& rows = queries[name];
    for (const auto& row : query["rawRows"]) {
      const std::string order = row["Order"];  // "bin:4:" and eight hex digits
      rows.push_back(
          RowText(row["Attribute"], std::stoul(order.substr(6), nullptr, 16),
                  row.value("Name1", nlohmann::json()), row.value("Name2", nlohmann::json()),
                  row.value("Expression", nlohmann::json()), row.value("Flag", nlohmann::json())));
    }
    std::sort(rows.begin(), rows.end());
  }
  return queries;
}

class QueryRepair : public testing::TestWithParam<fs::path> {};

TEST_P(QueryRepair, EverySavedQueryComesBackWithItsText) {
  ScratchDir scratch;
  const fs::path output = scratch.path() / ("Tarvex_" + GetParam().filename().string());
  const writer::SaveReport report = writer::test::Repair(GetParam(), output);
  ASSERT_TRUE(report.saved);
  for (const auto& skipped : report.queriesSkipped)
    ADD_FAILURE() << ToUtf8(skipped.name) << ": " << skipped.reason;
  for (const auto& rebuilt : report.queriesRebuilt)
    ADD_FAILURE() << ToUtf8(rebuilt.name) << " rebuilt from SQL: " << rebuilt.reason;

  const auto expected = RebuiltQueries(GetParam());
  EXPECT_EQ(RebuiltQueries(output), expected);
  std::set<std::string> names;
  for (const auto& [name, sql] : expected) names.insert(name);
  const auto listed = MdbQueries(output);
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), names);

  // mdb-reader: a catalogue entry per query, and the query rows under its id.
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  const auto dump = MdbReaderDump(output, true);
  const auto catalogue = DumpTable(dump, "MSysObjects");
  const auto column = [](const nlohmann::json& table, const std::string& name) {
    size_t at = 0;
    while (at < table["columns"].size() && table["columns"][at]["name"] != name) ++at;
    return at;
  };
  const size_t idColumn = column(catalogue, "Id"), nameColumn = column(catalogue, "Name"),
               typeColumn = column(catalogue, "Type");
  std::set<std::string> catalogued, ids, rowIds;
  std::map<std::string, std::string> nameOfId;
  for (const auto& row : catalogue["rows"]) {
    if (row[typeColumn] != "5") continue;
    catalogued.insert(row[nameColumn].get<std::string>());
    ids.insert(row[idColumn].get<std::string>());
    nameOfId[row[idColumn]] = row[nameColumn];
  }
  EXPECT_EQ(catalogued, names);
  const auto queryRows = DumpTable(dump, "MSysQueries");
  const size_t objectIdColumn = column(queryRows, "ObjectId");
  for (const auto& row : queryRows["rows"]) rowIds.insert(row[objectIdColumn].get<std::string>());
  EXPECT_EQ(rowIds, ids);

  // Row for row, with only the object ids new.
  std::map<std::string, std::vector<std::string>> written;
  for (const auto& row : queryRows["rows"]) {
    const auto field = [&](const char* name) { return row[column(queryRows, name)]; };
    written[nameOfId[field("ObjectId")]].push_back(
        RowText(field("Attribute"), std::stoul(field("Order").get<std::string>(), nullptr, 16),
                field("Name1"), field("Name2"), field("Expression"), field("Flag")));
  }
  for (auto& [name, rows] : written) std::sort(rows.begin(), rows.end());
  for (const auto& [name, rows] : TruthQueryRows(GetParam()))
    EXPECT_EQ(written[name], rows) << name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, QueryRepair, testing::ValuesIn(FixturesWithQueries()),
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
}  // namespace tarvex::test
