#include "dao/query_sql_clauses.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

using format::QueryRowKind;

// Every clause keyword of the statements a saved query holds: one that a
// statement does not take is refused rather than read as part of an expression.
constexpr std::string_view kClauseKeywords[] = {"TRANSFORM",
                                                "SELECT",
                                                "INTO",
                                                "FROM",
                                                "WHERE",
                                                "GROUP BY",
                                                "HAVING",
                                                "ORDER BY",
                                                "PIVOT",
                                                "SET",
                                                "VALUES",
                                                "UNION",
                                                "WITH OWNERACCESS OPTION"};

size_t WordCount(std::string_view keywords) {
  return static_cast<size_t>(std::count(keywords.begin(), keywords.end(), ' ')) + 1;
}

bool IsDigits(const std::u16string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

SavedQueryRow Row(QueryRowKind attribute, std::u16string expression,
                  std::optional<int32_t> flag = {}) {
  return {attribute, {}, {}, std::move(expression), flag, {}};
}

}  // namespace

SqlClauses::SqlClauses(const SqlText& text, SqlRange statement,
                       std::initializer_list<std::string_view> keywords)
    : keywords_(keywords), ranges_(keywords.size()) {
  if (statement.empty() || !text.AreWords(statement.first, keywords_.front()))
    throw DaoException("The statement does not start with " + std::string(keywords_.front()) + ".");
  const size_t depth = text.at(statement.first).depth;
  size_t current = 0;
  size_t start = statement.first + WordCount(keywords_.front());
  for (size_t i = start; i < statement.last; ++i) {
    if (text.at(i).depth != depth) continue;
    const auto allowed = std::find_if(keywords_.begin(), keywords_.end(),
                                      [&](std::string_view k) { return text.AreWords(i, k); });
    if (allowed == keywords_.end()) {
      for (std::string_view other : kClauseKeywords)
        if (text.AreWords(i, other))
          throw DaoException("A " + std::string(keywords_.front()) +
                             " statement has no place for " + std::string(other) + ".");
      continue;
    }
    const size_t next = static_cast<size_t>(allowed - keywords_.begin());
    if (next <= current)
      throw DaoException("The clause " + std::string(*allowed) +
                         (next == current ? " comes twice." : " is out of order."));
    ranges_[current] = SqlRange{start, i};
    current = next;
    start = i + WordCount(*allowed);
    i = start - 1;
  }
  ranges_[current] = SqlRange{start, statement.last};
}

std::optional<SqlRange> SqlClauses::Get(std::string_view keyword) const {
  for (size_t i = 0; i < keywords_.size(); ++i)
    if (keywords_[i] == keyword) return ranges_[i];
  return std::nullopt;
}

SqlRange NonEmpty(std::optional<SqlRange> clause, const char* what) {
  if (!clause || clause->empty()) throw DaoException(std::string("The ") + what + " is empty.");
  return *clause;
}

SelectList ReadSelectList(const SqlText& text, SqlRange list) {
  SelectList result;
  size_t at = list.first;
  if (text.IsWord(at, "DISTINCT")) {
    result.options |= format::kQueryDistinct;
    ++at;
  } else if (text.IsWord(at, "DISTINCTROW")) {
    result.options |= format::kQueryDistinctRow;
    ++at;
  } else if (text.IsWord(at, "ALL")) {
    ++at;
  }
  if (text.IsWord(at, "TOP")) {
    if (at + 1 >= list.last || !IsDigits(text.Name(at + 1)))
      throw DaoException("TOP is not followed by a whole number.");
    result.options |= format::kQueryTop;
    result.top = text.Name(at + 1);
    at += 2;
    if (text.IsWord(at, "PERCENT")) {
      result.options |= format::kQueryTopPercent;
      ++at;
    }
  }
  const SqlRange columns{at, list.last};
  if (columns.empty()) throw DaoException("The SELECT list names no column.");
  if (columns.size() == 1 && text.Text(columns) == u"*") {
    result.options |= format::kQueryAllFields;
    return result;
  }
  for (SqlRange item : text.SplitAtCommas(columns))
    result.columns.push_back(ReadColumn(text, item));
  return result;
}

SelectList::Column ReadColumn(const SqlText& text, SqlRange item) {
  if (item.empty()) throw DaoException("A list of columns has an empty item.");
  const size_t depth = text.at(item.first).depth;
  for (size_t i = item.last - 1; i > item.first; --i) {
    if (text.at(i).depth != depth || !text.IsWord(i, "AS")) continue;
    const SqlToken& alias = text.at(i + 1 < item.last ? i + 1 : i);
    if (i + 2 != item.last ||
        (alias.kind != SqlTokenKind::kWord && alias.kind != SqlTokenKind::kBracketed))
      throw DaoException("The column '" + format::ToUtf8(text.Text(item)) +
                         "' has no single name after AS.");
    return {text.Text({item.first, i}), text.Name(i + 1), item};
  }
  return {text.Text(item), {}, item};
}

void AddOptionsRow(const SelectList& list, bool always, std::vector<SavedQueryRow>& rows) {
  if (list.options == 0 && !always) return;
  rows.push_back({QueryRowKind::kOptions, list.top, {}, {}, list.options, {}});
}

void AddTrailingRows(const SqlText& text, const SqlClauses& clauses, int32_t groupFlag,
                     std::vector<SavedQueryRow>& rows) {
  if (auto where = clauses.Get("WHERE"))
    rows.push_back(Row(QueryRowKind::kWhere, text.Text(NonEmpty(where, "WHERE clause"))));
  if (auto groupBy = clauses.Get("GROUP BY"))
    for (SqlRange item : text.SplitAtCommas(NonEmpty(groupBy, "GROUP BY clause"))) {
      if (item.empty()) throw DaoException("The GROUP BY clause has an empty item.");
      rows.push_back(Row(QueryRowKind::kGroupBy, text.Text(item), groupFlag));
    }
  if (auto having = clauses.Get("HAVING"))
    rows.push_back(Row(QueryRowKind::kHaving, text.Text(NonEmpty(having, "HAVING clause"))));
  if (auto orderBy = clauses.Get("ORDER BY"))
    AddOrderRows(text, NonEmpty(orderBy, "ORDER BY clause"), rows);
}

void AddOrderRows(const SqlText& text, SqlRange list, std::vector<SavedQueryRow>& rows) {
  for (SqlRange item : text.SplitAtCommas(list)) {
    if (item.empty()) throw DaoException("The ORDER BY clause has an empty item.");
    bool descending = false;
    if (item.size() > 1 && text.IsWord(item.last - 1, "DESC")) {
      descending = true;
      --item.last;
    } else if (item.size() > 1 && text.IsWord(item.last - 1, "ASC")) {
      --item.last;
    }
    SavedQueryRow row = Row(QueryRowKind::kOrderBy, text.Text(item));
    if (descending) row.name1.assign(1, u'D');
    rows.push_back(std::move(row));
  }
}

}  // namespace tarvex::dao
