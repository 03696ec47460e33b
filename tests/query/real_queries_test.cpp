// Rebuilds every saved query of the real fixture files from the MSysQueries rows
// listed in their ground-truth dumps and compares the text, query by query, with
// the SQL an independent reader rebuilt from the same rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "query/recovered_queries.h"
#include "query_test_rows.h"
#include "support/test_paths.h"

namespace tarvex::query::test {
namespace {

using nlohmann::json;

// MSysQueries columns in table order.
const char* const kRowColumns[] = {"ObjectId", "Attribute",  "Order", "Name1",
                                   "Name2",    "Expression", "Flag",  "LvExtra"};

// The dump's query types, the MSysObjects Flags that Access writes for them and
// our kind text.
const std::map<std::string, std::pair<std::u16string, std::u16string>> kKinds = {
    {"SELECT", {u"0", u"Select"}},        {"CROSS_TAB", {u"16", u"Crosstab"}},
    {"DELETE", {u"32", u"Delete"}},       {"UPDATE", {u"48", u"Update"}},
    {"APPEND", {u"64", u"Append"}},       {"MAKE_TABLE", {u"80", u"Make-Table"}},
    {"DATA_DEFINITION", {u"96", u"DDL"}}, {"PASSTHROUGH", {u"112", u"Pass-Through"}},
    {"UNION", {u"128", u"Union"}},
};

// Differences that remain after normalising, each tied to the queries it
// explains: the reference text's `truthText` stands for our `ourText`.
struct KnownDifference {
  std::vector<std::string> files;
  std::string query;
  std::u16string truthText;
  std::u16string ourText;
  const char* cause;
};

const std::vector<std::string> kQueryKindFiles = {"ace12_query_kinds.accdb", "jet3_query_kinds.mdb",
                                                  "jet4_query_kinds.mdb"};

const KnownDifference kKnownDifferences[] = {
    {kQueryKindFiles, "SelectQuery", u"ON Table3.col1 = Table2.col2 AND Table3.col1 = Table2.col1",
     u"ON Table3.col1 = Table2.col1 AND Table3.col1 = Table2.col2",
     "same meaning: the conditions of one join in stored order, the reference lists them reversed"},
    {{"jet3_northwind97.mdb"},
     "Ten Most Expensive Products",
     u"SELECT DISTINCTROW ",
     u"SELECT DISTINCTROW TOP 10 ",
     "the reference drops TOP when DISTINCTROW is also set (options flag 24, TOP value 10)"},
    {{"ace12_northwind2007.accdb"},
     "Top Ten Orders by Sales Amount",
     u"SELECT DISTINCTROW ",
     u"SELECT DISTINCTROW TOP 10 ",
     "the reference drops TOP when DISTINCTROW is also set (options flag 24, TOP value 10)"},
};

std::u16string Text(const json& value) {
  return value.is_string() ? FromUtf8(value.get<std::string>()) : u"";
}

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Forgets what the two writers may legitimately write differently: brackets
// (also Access's "[SELECT …]. AS alias" for a derived table), parentheses, line
// breaks and runs of blanks, blanks beside commas, and a closing semicolon.
// Everything else (keywords, names, expressions, their order) must match.
std::u16string Normalise(const std::u16string& sql) {
  std::u16string out;
  bool pendingBlank = false;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char16_t c = sql[i];
    if (c == u'[' || c == u']' || c == u'(' || c == u')') continue;
    if (c == u'.' && i > 0 && sql[i - 1] == u']' && i + 1 < sql.size() && IsBlank(sql[i + 1]))
      continue;
    if (IsBlank(c)) {
      pendingBlank = true;
      continue;
    }
    if (pendingBlank && !out.empty() && out.back() != u',' && c != u',') out += u' ';
    pendingBlank = false;
    out += c;
  }
  while (!out.empty() && (out.back() == u';' || out.back() == u' ' || out.back() == u'\0'))
    out.pop_back();
  return out;
}

// The reference writes a parameter's text size "Text(50)", Access "Text ( 50 )".
std::u16string SpacedTextSizes(std::u16string sql) {
  for (size_t at = sql.find(u"Text("); at != std::u16string::npos; at = sql.find(u"Text(", at)) {
    const size_t close = sql.find(u')', at);
    if (close == std::u16string::npos) break;
    sql.replace(close, 1, u" )");
    sql.replace(at + 4, 1, u" ( ");
    at = close;
  }
  return sql;
}

const KnownDifference* KnownDifferenceOf(const std::string& file, const std::string& query) {
  for (const KnownDifference& known : kKnownDifferences) {
    if (known.query == query &&
        std::find(known.files.begin(), known.files.end(), file) != known.files.end()) {
      return &known;
    }
  }
  return nullptr;
}

bool ReportDifferences() { return std::getenv("TARVEX_QUERY_DIFFS") != nullptr; }

struct TruthFile {
  QueryRowList rows;
  model::CTList<model::CQuerySysObject> catalogue;
  std::vector<json> queries;
};

void Load(const std::string& file, TruthFile& truth) {
  std::ifstream in(tarvex::test::FixturesDir() / "real" / "truth" / (file + ".json"));
  ASSERT_TRUE(in) << file;
  const json dump = json::parse(in);
  for (const json& query : dump.at("queries")) {
    truth.queries.push_back(query);
    for (const json& raw : query.at("rawRows")) {
      std::vector<std::u16string> values;
      for (const char* column : kRowColumns)
        values.push_back(raw.contains(column) ? Text(raw.at(column)) : u"");
      truth.rows.Append(CQueryAttributes::FromRowValues(values).release());
    }
    auto* entry = new model::CQuerySysObject();
    entry->name = Text(query.at("name"));
    entry->id = Text(query.at("rawRows").at(0).at("ObjectId"));
    entry->flags = kKinds.at(query.at("type")).first;
    truth.catalogue.Append(entry);
  }
}

void CompareText(const std::string& file, const json& query, const std::u16string& ours) {
  const std::string name = query.at("name");
  std::u16string truth = Normalise(SpacedTextSizes(Text(query.at("sql"))));
  const std::u16string actual = Normalise(ours);
  if (const KnownDifference* known = KnownDifferenceOf(file, name)) {
    const size_t at = truth.find(known->truthText);
    ASSERT_NE(at, std::u16string::npos)
        << "known difference no longer in the reference: " << known->cause;
    truth.replace(at, known->truthText.size(), known->ourText);
    if (ReportDifferences())
      std::cout << "KNOWN\t" << file << "\t" << name << "\t" << known->cause << "\n";
  }
  EXPECT_EQ(ToUtf8(actual), ToUtf8(truth));
}

class RealQueries : public ::testing::TestWithParam<std::string> {};

TEST_P(RealQueries, MatchIndependentReader) {
  TruthFile truth;
  ASSERT_NO_FATAL_FAILURE(Load(GetParam(), truth));
  const std::vector<RecoveredQuery> recovered = RecoverQueries(truth.rows, truth.catalogue);
  ASSERT_EQ(recovered.size(), truth.queries.size());
  for (size_t i = 0; i < truth.queries.size(); ++i) {
    const json& query = truth.queries[i];
    SCOPED_TRACE(GetParam() + " / " + query.at("name").get<std::string>());
    EXPECT_EQ(recovered[i].name, Text(query.at("name")));
    EXPECT_EQ(recovered[i].kind, kKinds.at(query.at("type")).second);
    CompareText(GetParam(), query, recovered[i].sql);
  }
}

std::vector<std::string> FilesWithQueries() {
  std::vector<std::string> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(tarvex::test::FixturesDir() / "real" / "truth")) {
    std::ifstream in(entry.path());
    const json dump = json::parse(in);
    if (dump.contains("queries") && !dump.at("queries").empty())
      files.push_back(entry.path().stem().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name;
  for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RealQueries, ::testing::ValuesIn(FilesWithQueries()), TestName);

}  // namespace
}  // namespace tarvex::query::test
