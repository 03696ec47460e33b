// Every saved query of a real file comes back in its repair: the engine stores
// the text rebuilt from the source's rows, mdbtools lists every query, and our
// own scanner rebuilds the same text from the rows the engine wrote.
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

class QueryRepair : public testing::TestWithParam<fs::path> {};

TEST_P(QueryRepair, EverySavedQueryComesBackWithItsText) {
  ScratchDir scratch;
  const fs::path output = scratch.path() / ("Tarvex_" + GetParam().filename().string());
  const writer::SaveReport report = writer::test::Repair(GetParam(), output);
  ASSERT_TRUE(report.saved);
  for (const auto& skipped : report.queriesSkipped)
    ADD_FAILURE() << ToUtf8(skipped.name) << ": " << skipped.reason;

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
  for (const auto& row : catalogue["rows"]) {
    if (row[typeColumn] != "5") continue;
    catalogued.insert(row[nameColumn].get<std::string>());
    ids.insert(row[idColumn].get<std::string>());
  }
  EXPECT_EQ(catalogued, names);
  const auto queryRows = DumpTable(dump, "MSysQueries");
  const size_t objectIdColumn = column(queryRows, "ObjectId");
  for (const auto& row : queryRows["rows"]) rowIds.insert(row[objectIdColumn].get<std::string>());
  EXPECT_EQ(rowIds, ids);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, QueryRepair, testing::ValuesIn(FixturesWithQueries()),
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
}  // namespace tarvex::test
