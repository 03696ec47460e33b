#include "dao/query_sql_parser.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/query_sql_clauses.h"
#include "dao/query_sql_parameters.h"
#include "dao/query_sql_statements.h"
#include "dao/query_sql_tokens.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

using format::QueryKind;
using format::QueryRowKind;
using format::QueryTypeCode;

// The longest connect string Name1 holds.
constexpr size_t kMaxConnectLength = 255;

// The text of a data-definition or pass-through query is kept as written,
// closing blanks and line breaks included.
SavedQueryRow TextTypeRow(QueryTypeCode code, std::u16string_view connect,
                          std::u16string_view sql) {
  return {QueryRowKind::kType, std::u16string(connect),    {},
          std::u16string(sql), static_cast<int32_t>(code), {}};
}

// A union keeps the SQL before its last UNION and the SQL after it (up to its
// ORDER BY, which has rows of its own): Access reads a longer union as a union
// of the ones before and the last part.
void ReadUnion(const SqlText& text, SqlRange statement, size_t lastUnion, SavedQuery& query) {
  const size_t begin = text.at(statement.first).begin;
  const std::u16string first(text.sql().substr(begin, text.at(lastUnion).begin - begin));
  const bool all = text.IsWord(lastUnion + 1, "ALL");
  SqlRange second{lastUnion + (all ? 2 : 1), statement.last};
  const size_t orderBy = text.Find(second, "ORDER BY");
  const SqlRange orderList{orderBy + 2, second.last};
  second.last = orderBy;
  if (statement.first == lastUnion || second.empty())
    throw DaoException("A UNION has no SELECT on one side.");
  query.kind = QueryKind::kUnion;
  auto& rows = query.rows;
  rows.push_back(
      {QueryRowKind::kType, {}, {}, {}, static_cast<int32_t>(QueryTypeCode::kUnion), {}});
  rows.push_back(
      {QueryRowKind::kOptions, {}, {}, {}, all ? format::kUnionAll : format::kUnionDistinct, {}});
  rows.push_back({QueryRowKind::kInputTable, {}, format::kUnionFirstPart, first, {}, {}});
  rows.push_back(
      {QueryRowKind::kInputTable, {}, format::kUnionSecondPart, text.Text(second), {}, {}});
  if (orderBy != statement.last) AddOrderRows(text, NonEmpty(orderList, "ORDER BY clause"), rows);
}

size_t LastTopLevel(const SqlText& text, SqlRange range, std::string_view keyword) {
  size_t found = range.last;
  for (size_t i = range.first; i < range.last; ++i)
    if (text.at(i).depth == 0 && text.IsWord(i, keyword)) found = i;
  return found;
}

void RefuseSecondStatement(const SqlText& text, SqlRange statement) {
  for (size_t i = statement.first; i < statement.last; ++i)
    if (text.at(i).kind == SqlTokenKind::kSemicolon && text.at(i).depth == 0)
      throw DaoException("The SQL text holds more than one statement.");
}

void ReadStatement(const SqlText& text, SqlRange statement, SavedQuery& query) {
  const size_t lastUnion = LastTopLevel(text, statement, "UNION");
  if (lastUnion != statement.last) return ReadUnion(text, statement, lastUnion, query);
  RefuseSecondStatement(text, statement);
  const size_t first = statement.first;
  if (text.IsWord(first, "SELECT")) return ReadSelect(text, statement, query);
  if (text.IsWord(first, "TRANSFORM")) return ReadCrosstab(text, statement, query);
  if (text.IsWord(first, "INSERT")) return ReadAppend(text, statement, query);
  if (text.IsWord(first, "UPDATE")) return ReadUpdate(text, statement, query);
  if (text.IsWord(first, "DELETE")) return ReadDelete(text, statement, query);
  throw DaoException("The SQL text is no statement a saved query holds: it starts with '" +
                     format::ToUtf8(text.Text({first, first + 1})) + "'.");
}

bool IsDataDefinition(const SqlText& text) {
  return text.IsWord(0, "CREATE") || text.IsWord(0, "ALTER") || text.IsWord(0, "DROP");
}

// Rows in the order Access writes them: by attribute, each numbered from 1,
// between the first row and the last.
SavedQuery Finish(SavedQuery query) {
  std::stable_sort(query.rows.begin(), query.rows.end(),
                   [](const auto& a, const auto& b) { return a.attribute < b.attribute; });
  query.rows.insert(query.rows.begin(), {QueryRowKind::kStart, {}, {}, {}, 0, {}});
  query.rows.push_back({QueryRowKind::kEnd, {}, {}, {}, {}, {}});
  int32_t order = 0;
  for (size_t i = 0; i < query.rows.size(); ++i) {
    const bool sameAttribute = i > 0 && query.rows[i].attribute == query.rows[i - 1].attribute;
    order = sameAttribute ? order + 1 : 1;
    query.rows[i].order = order;
  }
  return query;
}

}  // namespace

SavedQuery ParseQuerySql(std::u16string_view sql) {
  const SqlText text(sql);
  SavedQuery query;
  if (IsDataDefinition(text)) {
    RefuseSecondStatement(
        text, {0, text.tokens().back().kind == SqlTokenKind::kSemicolon ? text.tokens().size() - 1
                                                                        : text.tokens().size()});
    query.kind = QueryKind::kDataDefinition;
    query.rows.push_back(TextTypeRow(QueryTypeCode::kDataDefinition, {}, sql));
    return Finish(std::move(query));
  }
  SqlRange statement = text.all();
  if (text.at(statement.last - 1).kind == SqlTokenKind::kSemicolon) --statement.last;
  if (text.IsWord(0, "PARAMETERS")) {
    size_t end = 1;
    while (end < statement.last && text.at(end).kind != SqlTokenKind::kSemicolon) ++end;
    if (end == statement.last) throw DaoException("The PARAMETERS list is not ended by ';'.");
    AddParameterRows(text, {1, end}, query.rows);
    statement.first = end + 1;
  }
  if (statement.empty()) throw DaoException("The SQL text declares parameters but no statement.");
  ReadStatement(text, statement, query);
  return Finish(std::move(query));
}

SavedQuery PassThroughQuery(std::u16string_view sql, std::u16string_view connect) {
  CheckQueryText(sql);
  if (connect.size() > kMaxConnectLength)
    throw DaoException("The connect string is longer than " + std::to_string(kMaxConnectLength) +
                       " characters.");
  if (std::any_of(connect.begin(), connect.end(), [](char16_t c) { return c < 0x20; }))
    throw DaoException("The connect string holds a control character.");
  SavedQuery query;
  query.kind = QueryKind::kPassThrough;
  query.rows.push_back(TextTypeRow(QueryTypeCode::kPassThrough, connect, sql));
  return Finish(std::move(query));
}

}  // namespace tarvex::dao
