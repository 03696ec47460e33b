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

const char* const kRowColumns[] = {"ObjectId", "Attribute",  "Order", "Name1",
                                   "Name2",    "Expression", "Flag",  "LvExtra"};

std::u16string Text(const json& value) {
  return value.is_string() ? FromUtf8(value.get<std::string>()) : u"";
}

// A query as the builders rebuild it: its kind text and SQL, and the
// connect string of a pass-through query.
struct Rebuilt {
  std::u16string kind;
  std::u16string sql;
  std::u16string connect;
};
using RebuiltQueries = std::map<std::u16string, Rebuilt>;

RebuiltQueries ByName(query::QueryRowList& rows,
                      const model::CTList<model::CQuerySysObject>& catalogue) {
  RebuiltQueries queries;
  for (auto& recovered : query::RecoverQueries(rows, catalogue))
    queries[recovered.name] = {recovered.kind, recovered.sql, {}};
  return queries;
}

// The queries the builders rebuild from the rows Access wrote.
RebuiltQueries RebuiltFromTruth(const std::filesystem::path& truthFile) {
  std::ifstream in(truthFile);
  const json dump = json::parse(in);
  query::QueryRowList rows;
  model::CTList<model::CQuerySysObject> catalogue;
  std::map<std::u16string, std::u16string> connects;
  for (const json& saved : dump.at("queries")) {
    for (const json& raw : saved.at("rawRows")) {
      std::vector<std::u16string> values;
      for (const char* column : kRowColumns)
        values.push_back(raw.contains(column) ? Text(raw.at(column)) : u"");
      if (saved.at("type") == "PASSTHROUGH" && raw.at("Attribute") == "1")
        connects[Text(saved.at("name"))] = values[3];
      rows.Append(query::CQueryAttributes::FromRowValues(values).release());
    }
    auto* entry = new model::CQuerySysObject();
    entry->name = Text(saved.at("name"));
    entry->id = Text(saved.at("rawRows").at(0).at("ObjectId"));
    entry->flags = kFlagsOfKind.at(saved.at("type"));
    catalogue.Append(entry);
  }
  RebuiltQueries queries = ByName(rows, catalogue);
  for (const auto& [name, connect] : connects) queries[name].connect = connect;
  return queries;
}

// The queries our scanner finds in a file, rebuilt by the same builders.
RebuiltQueries RebuiltFromFile(const std::filesystem::path& file) {
  auto repair = ScanFile(file);
  if (!repair->model()) return {};
  query::QueryRowList rows;
  query::ReadQueryRows(*repair->model(), rows);
  return ByName(rows, repair->model()->queryObjectList);
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
  ScratchDir scratch;
  const auto file = scratch.path() / "queries.mdb";
  RebuiltQueries written;
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    for (const auto& [name, rebuilt] : RebuiltFromTruth(GetParam())) {
      if (rebuilt.sql.empty()) continue;  // a kind without a builder yet
      SCOPED_TRACE(ToUtf8(name) + "\n" + ToUtf8(rebuilt.sql));
      QueryDef query(db);
      EXPECT_NO_THROW({
        query.Create(name, rebuilt.sql, rebuilt.connect);
        query.Append();
        written[name] = rebuilt;
      });
      query.Close();
    }
    db.Close();
  }
  ASSERT_FALSE(written.empty());

  const auto scanned = RebuiltFromFile(file);
  for (const auto& [name, rebuilt] : written) {
    SCOPED_TRACE(ToUtf8(name));
    const auto found = scanned.find(name);
    ASSERT_NE(found, scanned.end());
    EXPECT_EQ(ToUtf8(found->second.kind), ToUtf8(rebuilt.kind));
    EXPECT_EQ(ToUtf8(found->second.sql), ToUtf8(rebuilt.sql));
  }
}

std::string FixtureName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
  return TestNameOf(info.param.stem());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, QueryRoundTrip, ::testing::ValuesIn(TruthFilesWithQueries()),
                         FixtureName);

void AddQuery(Database& db, const std::u16string& name, const std::u16string& sql,
              const std::u16string& connect = {}) {
  QueryDef query(db);
  query.Create(name, sql, connect);
  query.Append();
  query.Close();
}

TEST(QueryDef, RefusedQueriesLeaveTheDatabaseWhole) {
  struct Refused {
    const char* label;
    std::u16string name;
    std::u16string sql;
    std::u16string connect;
  };
  const std::vector<Refused> refused = {
      {"open bracket", u"Q", u"SELECT [Id FROM Orders", {}},
      {"open parenthesis", u"Q", u"SELECT Count((Id) FROM Orders", {}},
      {"closing parenthesis alone", u"Q", u"SELECT Id) FROM Orders", {}},
      {"open string", u"Q", u"SELECT Id FROM Orders WHERE Code = 'a", {}},
      {"unknown statement", u"Q", u"EXPLAIN SELECT Id FROM Orders", {}},
      {"100 KB of text", u"Q", u"SELECT " + std::u16string(100 * 1024, u'a') + u" FROM Orders", {}},
      {"control character", u"Q", u"SELECT Id\x01 FROM Orders", {}},
      {"no text", u"Q", u" \r\n", {}},
      {"clauses out of order", u"Q", u"SELECT Id FROM Orders ORDER BY Id WHERE Id > 1", {}},
      {"a clause twice", u"Q", u"SELECT Id FROM Orders WHERE Id > 1 WHERE Id < 9", {}},
      {"unknown parameter type", u"Q", u"PARAMETERS x Blob;\nSELECT x FROM Orders", {}},
      {"join without ON", u"Q", u"SELECT Id FROM Orders INNER JOIN Lines", {}},
      {"name of a table", u"orders", u"SELECT Id FROM Orders", {}},
      {"name of a query", u"KEPT", u"SELECT Id FROM Orders", {}},
      {"name Access refuses", u"Bad.Name", u"SELECT Id FROM Orders", {}},
      {"pass-through with a control character", u"Q", u"SELECT 1\x02", u"ODBC;"},
  };
  ScratchDir scratch;
  const auto file = scratch.path() / "refused.mdb";
  {
    Database db;
    db.Create(file, kLocale, kDbVersion40);
    MakeTable(db, u"Orders", {{u"Id", 4, 4}, {u"Code", 10, 10}});
    AddQuery(db, u"Kept", u"SELECT Id FROM Orders");
    for (const auto& query : refused) {
      SCOPED_TRACE(query.label);
      EXPECT_THROW(AddQuery(db, query.name, query.sql, query.connect), DaoException);
    }
    db.Close();
    db.Open(file, false, false, "");
    AddQuery(db, u"Later", u"SELECT Code FROM Orders");
    db.Close();
  }
  const auto scanned = RebuiltFromFile(file);
  ASSERT_EQ(scanned.size(), 2u);
  EXPECT_EQ(scanned.at(u"Kept").sql, u"SELECT Id\nFROM [Orders]");
  EXPECT_EQ(scanned.at(u"Later").sql, u"SELECT Code\nFROM [Orders]");
  EXPECT_EQ(MdbQueries(file), (std::vector<std::string>{"Kept", "Later"}));
}

}  // namespace
}  // namespace tarvex::dao::test
