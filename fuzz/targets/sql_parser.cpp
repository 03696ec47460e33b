// Our engine's SQL parser, which turns a query's text into MSysQueries rows.
// Round trip with the query builders: the text they rebuild from the parsed
// rows parses, and rebuilds to the same text again, up to the parentheses
// around a join's conditions (several conditions between the same tables are
// one AND, which may come back grouped otherwise).
#include <string>

#include "dao/dao_exception.h"
#include "dao/query_sql_parser.h"
#include "format/unicode.h"
#include "query/recovered_queries.h"
#include "structure_input.h"

using namespace tarvex;

namespace {

std::u16string Number(int64_t value) { return format::FromUtf8(std::to_string(value)); }

// The text the builders rebuild from the rows, as a scan would find them.
std::u16string Rebuilt(const dao::SavedQuery& parsed) {
  model::CTList<model::CQuerySysObject> catalogue;
  auto* entry = new model::CQuerySysObject;
  entry->id = u"1";
  entry->flags = Number(static_cast<int32_t>(parsed.kind));
  entry->name = u"Query";
  catalogue.Append(entry);
  query::QueryRowList rows;
  for (const auto& row : parsed.rows) {
    rows.Append(query::CQueryAttributes::FromRowValues(
                    {u"1", Number(static_cast<int32_t>(row.attribute)), Number(row.order),
                     row.name1, row.name2, row.expression, row.flag ? Number(*row.flag) : u"",
                     row.lvExtra ? Number(*row.lvExtra) : u""})
                    .release());
  }
  const auto queries = query::RecoverQueries(rows, catalogue);
  FUZZ_CHECK(queries.size() == (parsed.rows.empty() ? 0u : 1u));
  return queries.empty() ? u"" : queries.front().sql;
}

std::u16string WithoutParentheses(std::u16string text) {
  std::erase_if(text, [](char16_t c) { return c == u'(' || c == u')'; });
  return text;
}

std::optional<dao::SavedQuery> Parse(std::u16string_view sql) {
  try {
    return dao::ParseQuerySql(sql);
  } catch (const dao::DaoException&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string sql =
      format::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    (void)dao::PassThroughQuery(sql, u"ODBC;");
  } catch (const dao::DaoException&) {
  }
  const auto parsed = Parse(sql);
  if (!parsed) return 0;
  const std::u16string rebuilt = Rebuilt(*parsed);
  if (rebuilt.empty()) return 0;  // a kind the builders leave to the catalogue
  const auto again = Parse(rebuilt);
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(WithoutParentheses(Rebuilt(*again)) == WithoutParentheses(rebuilt));
  return 0;
}
