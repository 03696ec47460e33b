// Saved queries: every query of the real fixtures, rebuilt as SQL from the
// rows Access wrote, goes through QueryDef into a new database and comes back
// from our own scanner as the same SQL; mdbtools and mdb-reader read the
// queries written. SQL the engine refuses leaves the database whole.
#include "dao/query_def.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "dao_test_util.h"
#include "format/unicode.h"
#include "query/query_rows.h"
#include "query/recovered_queries.h"
#include "support/oracle_readers.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {

using namespace tarvex::test;
namespace {

using format::FromUtf8;
using format::ToUtf8;
using nlohmann::json;

// The catalogue Flags Access writes for each kind the ground truth names.
const std::map<std::string, std::u16string> kFlagsOfKind = {
    {"SELECT", u"0"},           {"CROSS_TAB", u"16"},    {"DELETE", u"32"},
    {"UPDATE", u"48"},          {"APPEND", u"64"},       {"MAKE_TABLE", u"80"},
    {"DATA_DEFINITION", u"96"}, {"PASSTHROUGH", u"112"}, {"UNION", u"128"},
};

// Queries whose rebuilt text no SQL reader can take, with the reason.
struct Unreadable {
  std::string fixture;
  std::u16string query;
  const char* cause;
};
const Unreadable kUnreadable[] = {
    {"ace14_bad_names.accdb", u"q 1",
     "the builders leave a table name holding quotes, ';' and ',' unbracketed"},
    {"ace14_bad_names.accdb", u"q2",
     "the builders leave a table name holding quotes, ';' and ',' unbracketed"},
};

bool IsUnreadable(const std::filesystem::path& truth, const std::u16string& query) {
  return std::any_of(std::begin(kUnreadable), std::end(kUnreadable), [&](const Unreadable& u) {
    return truth.stem() == u.fixture && u.query == query;
  });
}

const char* const kRowColumns[] = {"ObjectId", "Attribute",  "Order", "Name1",
                                   "Name2",    "Expression", "Flag",  "LvExtra"};

std::u16string Text(const json& value) {
  return value.is_string() ? FromUtf8(value.get<std::string>()) : u"";
}

// The queries the builders rebuild from the rows Access wrote, by name.
std::vector<query::RecoveredQuery> RebuiltFromTruth(const std::filesystem::path& truthFile) {
  std::ifstream in(truthFile);
  const json dump = json::parse(in);
  query::QueryRowList rows;
  model::CTList<model::CQuerySysObject> catalogue;
  for (const json& saved : dump.at("queries")) {
    for (const json& raw : saved.at("rawRows")) {
      std::vector<std::u16string> values;
      for (const char* column : kRowColumns)
        values.push_back(raw.contains(column) ? Text(raw.at(column)) : u"");
      rows.Append(query::CQueryAttributes::FromRowValues(values).release());
    }
    auto* entry = new model::CQuerySysObject();
    entry->name = Text(saved.at("name"));
    entry->id = Text(saved.at("rawRows").at(0).at("ObjectId"));
    entry->flags = kFlagsOfKind.at(saved.at("type"));
    catalogue.Append(entry);
  }
  return query::RecoverQueries(rows, catalogue);
}

// The queries our scanner finds in a file, rebuilt by the same builders.
std::map<std::u16string, std::u16string> RebuiltFromFile(const std::filesystem::path& file) {
  auto repair = ScanFile(file);
  std::map<std::u16string, std::u16string> sqlByName;
  if (!repair->model()) return sqlByName;
  query::QueryRowList rows;
  query::ReadQueryRows(*repair->model(), rows);
  for (auto& recovered : query::RecoverQueries(rows, repair->model()->queryObjectList))
    sqlByName[recovered.name] = recovered.sql;
  return sqlByName;
}

std::set<std::string> MdbQueryNames(const std::filesystem::path& file) {
  int code = 0;
  std::istringstream out(RunCommand("mdb-queries -L -1 '" + file.string() + "' 2>/dev/null", code));
  std::set<std::string> names;
  for (std::string line; std::getline(out, line);)
    if (!line.empty()) names.insert(line);
  return names;
}

std::vector<std::filesystem::path> TruthFilesWithQueries() {
  std::vector<std::filesystem::path> files;
  for (const auto& fixture : FixturesWithTruth()) {
    std::ifstream in(fixture.truth);
    const json dump = json::parse(in);
    if (dump.contains("queries") && !dump.at("queries").empty()) files.push_back(fixture.truth);
  }
  return files;
}

class QueryRoundTrip : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(QueryRoundTrip, RebuiltSqlComesBackTheSame) {
  const auto rebuilt = RebuiltFromTruth(GetParam());
  ScratchDir scratch;
  const auto file = scratch.path() / "queries.mdb";
  std::map<std::u16string, std::u16string> written;
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    for (const auto& recovered : rebuilt) {
      if (recovered.sql.empty()) continue;  // a kind without a builder yet
      SCOPED_TRACE(ToUtf8(recovered.name) + "\n" + ToUtf8(recovered.sql));
      QueryDef query(db);
      if (IsUnreadable(GetParam(), recovered.name)) {
        EXPECT_THROW(query.Create(recovered.name, recovered.sql), DaoException);
        continue;
      }
      EXPECT_NO_THROW({
        query.Create(recovered.name, recovered.sql);
        query.Append();
        written[recovered.name] = recovered.sql;
      });
      query.Close();
    }
    db.Close();
  }
  ASSERT_FALSE(written.empty());

  const auto scanned = RebuiltFromFile(file);
  for (const auto& [name, sql] : written) {
    SCOPED_TRACE(ToUtf8(name));
    const auto found = scanned.find(name);
    ASSERT_NE(found, scanned.end());
    EXPECT_EQ(ToUtf8(found->second), ToUtf8(sql));
  }

  std::set<std::string> names;
  for (const auto& entry : written) names.insert(ToUtf8(entry.first));
  EXPECT_EQ(MdbQueryNames(file), names);
  if (!MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  const json dump = MdbReaderDump(file, true);
  const json objects = DumpTable(dump, "MSysObjects");
  const json queries = DumpTable(dump, "MSysQueries");
  std::set<std::string> objectIds, queryIds;
  for (const auto& row : objects.at("rows"))
    if (row.at(3) == "5") objectIds.insert(row.at(0));
  for (const auto& row : queries.at("rows")) queryIds.insert(row.at(0));
  EXPECT_EQ(objectIds.size(), written.size());
  EXPECT_EQ(queryIds, objectIds);
}

std::string FixtureName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
  return TestNameOf(info.param.stem());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, QueryRoundTrip, ::testing::ValuesIn(TruthFilesWithQueries()),
                         FixtureName);

}  // namespace
}  // namespace tarvex::dao::test
