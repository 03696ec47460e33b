#include "dao/query_sql_from.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/table_def.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

using format::QueryJoin;
using format::QueryRowKind;

struct JoinKeyword {
  const char* words;
  size_t count;
  QueryJoin kind;
};

constexpr JoinKeyword kJoinKeywords[] = {
    {"INNER JOIN", 2, QueryJoin::kInner},       {"LEFT JOIN", 2, QueryJoin::kLeft},
    {"LEFT OUTER JOIN", 3, QueryJoin::kLeft},   {"RIGHT JOIN", 2, QueryJoin::kRight},
    {"RIGHT OUTER JOIN", 3, QueryJoin::kRight},
};

struct JoinAt {
  size_t index;
  const JoinKeyword* keyword;
};

bool IsNameToken(const SqlToken& token) {
  return token.kind == SqlTokenKind::kWord || token.kind == SqlTokenKind::kBracketed;
}

}  // namespace

void FromReader::Read(SqlRange from) {
  for (SqlRange item : text_.SplitAtCommas(from)) ReadJoins(item);
}

std::vector<std::u16string> FromReader::ReadJoins(SqlRange range) {
  if (range.empty()) throw DaoException("The FROM clause names no table where one is expected.");
  const size_t depth = text_.at(range.first).depth;
  std::vector<JoinAt> found;
  for (size_t i = range.first; i < range.last; ++i) {
    if (text_.at(i).depth != depth) continue;
    for (const JoinKeyword& keyword : kJoinKeywords)
      if (text_.AreWords(i, keyword.words)) {
        found.push_back({i, &keyword});
        break;
      }
  }
  if (found.empty()) return ReadTable(range);
  std::vector<std::u16string> left = ReadTable({range.first, found.front().index});
  for (size_t k = 0; k < found.size(); ++k) {
    const size_t start = found[k].index + found[k].keyword->count;
    const size_t end = k + 1 < found.size() ? found[k + 1].index : range.last;
    const size_t on = text_.Find({start, end}, "ON");
    if (on == end) throw DaoException("A JOIN in the FROM clause has no ON condition.");
    std::vector<std::u16string> right = ReadTable({start, on});
    AddJoin(left, right, {on + 1, end}, found[k].keyword->kind);
    left.insert(left.end(), right.begin(), right.end());
  }
  return left;
}

std::vector<std::u16string> FromReader::ReadTable(SqlRange range) {
  if (range.empty()) throw DaoException("The FROM clause names no table where one is expected.");
  const SqlToken& first = text_.at(range.first);
  SavedQueryRow row{QueryRowKind::kInputTable, {}, {}, {}, {}, {}};
  size_t rest = range.first + 1;
  if (first.kind == SqlTokenKind::kOpen) {
    const size_t close = text_.Closing(range.first);
    const SqlToken& closing = text_.at(close);
    const auto inner = text_.sql().substr(first.end, closing.begin - first.end);
    if (!StartsWithSelect(inner)) {
      if (close + 1 != range.last)
        throw DaoException("The FROM clause has text after a parenthesised join: '" +
                           format::ToUtf8(text_.Text({close + 1, range.last})) + "'.");
      return ReadJoins({range.first + 1, close});
    }
    row.expression = std::u16string(inner);  // a derived table, spacing and all
    rest = close + 1;
  } else if (first.kind == SqlTokenKind::kBracketed && StartsWithSelect(text_.Name(range.first)) &&
             rest < range.last && text_.Adjacent(rest) && text_.Text({rest, rest + 1}) == u".") {
    row.expression = text_.Name(range.first);  // Access's own "[SELECT …]. AS alias"
    ++rest;
  } else if (IsNameToken(first)) {
    while (rest < range.last && text_.Adjacent(rest) && text_.at(rest).kind != SqlTokenKind::kOpen)
      ++rest;
    row.name1 = rest == range.first + 1 ? text_.Name(range.first) : text_.Text({range.first, rest});
  } else {
    throw DaoException("The FROM clause cannot read '" + format::ToUtf8(text_.Text(range)) +
                       "' as a table.");
  }
  row.name2 = ReadAlias({rest, range.last}, row.expression.empty() ? "table" : "derived table");
  if (!row.expression.empty() && row.name2.empty())
    throw DaoException("A derived table in the FROM clause has no alias.");
  std::u16string key = row.name2.empty() ? row.name1 : row.name2;
  inputs.push_back(std::move(row));
  return {std::move(key)};
}

std::u16string FromReader::ReadAlias(SqlRange range, const char* what) const {
  if (range.empty()) return {};
  size_t at = range.first;
  if (text_.IsWord(at, "AS")) ++at;
  if (at + 1 != range.last || !IsNameToken(text_.at(at)))
    throw DaoException(std::string("The FROM clause cannot read '") +
                       format::ToUtf8(text_.Text(range)) + "' after a " + what + ".");
  return text_.Name(at);
}

void FromReader::AddJoin(const std::vector<std::u16string>& left,
                         const std::vector<std::u16string>& right, SqlRange condition,
                         QueryJoin kind) {
  if (condition.empty()) throw DaoException("A JOIN in the FROM clause has an empty ON condition.");
  for (SqlRange part : JoinConditions(condition))
    joins.push_back({QueryRowKind::kJoin,
                     TableNamedIn(part, left),
                     TableNamedIn(part, right),
                     text_.Text(part),
                     static_cast<int32_t>(kind),
                     {}});
}

// Access keeps each of several conditions of one join in a row of its own and
// writes them back as "(c1) AND (c2)", or "((c1) AND (c2)) AND (c3)" for
// more: a condition of exactly that shape is taken apart again.
std::vector<SqlRange> FromReader::JoinConditions(SqlRange condition) const {
  if (text_.IsParenthesised(condition)) condition = {condition.first + 1, condition.last - 1};
  if (condition.empty()) throw DaoException("A JOIN in the FROM clause has an empty condition.");
  const size_t depth = text_.at(condition.first).depth;
  std::vector<size_t> ands;
  for (size_t i = condition.first; i < condition.last; ++i)
    if (text_.at(i).depth == depth && text_.IsWord(i, "AND")) ands.push_back(i);
  if (ands.size() != 1) return {condition};
  const SqlRange before{condition.first, ands.front()};
  const SqlRange after{ands.front() + 1, condition.last};
  if (!text_.IsParenthesised(before) || !text_.IsParenthesised(after)) return {condition};
  std::vector<SqlRange> parts = JoinConditions(before);
  parts.push_back({after.first + 1, after.last - 1});
  return parts;
}

// The table of `names` that the condition qualifies a field with; Access
// names the two tables a join condition compares. Without such a qualifier
// the first table of that side stands in.
std::u16string FromReader::TableNamedIn(SqlRange condition,
                                        const std::vector<std::u16string>& names) const {
  for (size_t i = condition.first; i + 1 < condition.last; ++i) {
    if (!IsNameToken(text_.at(i)) || !text_.Adjacent(i + 1)) continue;
    const std::u16string next = text_.Text({i + 1, i + 2});
    if (next != u"." && next != u"!") continue;
    const std::u16string qualifier = text_.Name(i);
    const auto named = std::find_if(names.begin(), names.end(), [&](const std::u16string& name) {
      return SameNameNoCase(name, qualifier);
    });
    if (named != names.end()) return *named;
  }
  return names.front();
}

}  // namespace tarvex::dao
