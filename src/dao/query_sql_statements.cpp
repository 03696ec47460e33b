#include "dao/query_sql_statements.h"

#include "dao/dao_exception.h"
#include "dao/query_sql_clauses.h"
#include "dao/query_sql_from.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

using format::QueryKind;
using format::QueryRowKind;
using format::QueryTypeCode;

SavedQueryRow TypeRow(QueryTypeCode code, std::u16string target = {}) {
  return {QueryRowKind::kType, std::move(target), {}, {}, static_cast<int32_t>(code), {}};
}

SavedQueryRow ColumnRow(std::u16string expression, std::u16string alias, std::u16string target,
                        int32_t flag) {
  return {
      QueryRowKind::kColumn, std::move(alias), std::move(target), std::move(expression), flag, {}};
}

void MoveInto(std::vector<SavedQueryRow>& rows, std::vector<SavedQueryRow>& more) {
  for (auto& row : more) rows.push_back(std::move(row));
}

// A table or column name of one token, or of tokens written together ("a.b").
// Returns the token after it.
size_t ReadName(const SqlText& text, SqlRange range, std::u16string& name, const char* what) {
  if (range.empty() || (text.at(range.first).kind != SqlTokenKind::kWord &&
                        text.at(range.first).kind != SqlTokenKind::kBracketed))
    throw DaoException(std::string("The statement names no ") + what + ".");
  size_t end = range.first + 1;
  while (end < range.last && text.Adjacent(end) && text.at(end).kind != SqlTokenKind::kOpen) ++end;
  name = end == range.first + 1 ? text.Name(range.first) : text.Text({range.first, end});
  return end;
}

int32_t OwnerAccess(const SqlClauses& clauses) {
  const auto option = clauses.Get("WITH OWNERACCESS OPTION");
  if (!option) return 0;
  if (!option->empty()) throw DaoException("WITH OWNERACCESS OPTION must end the statement.");
  return format::kQueryOwnerAccess;
}

void AddFrom(const SqlText& text, std::optional<SqlRange> from, std::vector<SavedQueryRow>& rows) {
  if (!from) return;
  FromReader reader(text);
  reader.Read(NonEmpty(from, "FROM clause"));
  MoveInto(rows, reader.inputs);
  MoveInto(rows, reader.joins);
}

// A crosstab's PIVOT item "key In (headings)": the grouping row keeps the key,
// the column-heading row the whole, written the one way the headings are found again.
void AddPivot(const SqlText& text, SqlRange item, std::vector<SavedQueryRow>& rows) {
  if (item.empty()) throw DaoException("The PIVOT clause has an empty item.");
  const size_t depth = text.at(item.first).depth;
  SqlRange key = item;
  std::u16string heading = text.Text(item);
  for (size_t i = item.last - 1; i > item.first; --i) {
    if (text.at(i).depth != depth || !text.IsWord(i, "IN")) continue;
    if (i + 1 < item.last && text.IsParenthesised({i + 1, item.last})) {
      key = {item.first, i};
      heading = text.Text(key) + u" In " + text.Text({i + 1, item.last});
    }
    break;
  }
  rows.push_back(ColumnRow(heading, {}, {}, format::kCrosstabColumnHeading));
  rows.push_back(
      {QueryRowKind::kGroupBy, {}, {}, text.Text(key), format::kCrosstabColumnHeading, {}});
}

// The field an append fills when the statement lists none: the column's
// alias, else the field it reads.
std::u16string ImpliedTarget(const SqlText& text, const SelectList::Column& column) {
  if (!column.alias.empty()) return column.alias;
  const size_t lastToken = column.item.last - 1;
  const SqlToken& last = text.at(lastToken);
  if (last.kind != SqlTokenKind::kWord && last.kind != SqlTokenKind::kBracketed)
    throw DaoException("The append query does not name the field '" +
                       format::ToUtf8(column.expression) + "' fills.");
  return text.Name(lastToken);
}

}  // namespace

void ReadSelect(const SqlText& text, SqlRange statement, SavedQuery& query) {
  const SqlClauses clauses(text, statement,
                           {"SELECT", "INTO", "FROM", "WHERE", "GROUP BY", "HAVING", "ORDER BY",
                            "WITH OWNERACCESS OPTION"});
  SelectList list = ReadSelectList(text, NonEmpty(clauses.Get("SELECT"), "SELECT list"));
  list.options |= OwnerAccess(clauses);
  auto& rows = query.rows;
  if (auto into = clauses.Get("INTO")) {
    std::u16string target;
    if (ReadName(text, *into, target, "table to make") != into->last)
      throw DaoException("INTO names more than one table.");
    query.kind = QueryKind::kMakeTable;
    rows.push_back(TypeRow(QueryTypeCode::kMakeTable, target));
  } else {
    query.kind = QueryKind::kSelect;
    rows.push_back(TypeRow(QueryTypeCode::kSelect));
  }
  AddOptionsRow(list, true, rows);
  for (auto& column : list.columns)
    rows.push_back(ColumnRow(column.expression, column.alias, {}, 0));
  AddFrom(text, clauses.Get("FROM"), rows);
  AddTrailingRows(text, clauses, 0, rows);
}

void ReadCrosstab(const SqlText& text, SqlRange statement, SavedQuery& query) {
  const SqlClauses clauses(text, statement,
                           {"TRANSFORM", "SELECT", "FROM", "WHERE", "GROUP BY", "HAVING",
                            "ORDER BY", "PIVOT", "WITH OWNERACCESS OPTION"});
  query.kind = QueryKind::kCrosstab;
  auto& rows = query.rows;
  rows.push_back(TypeRow(QueryTypeCode::kCrosstab));
  for (SqlRange item : text.SplitAtCommas(NonEmpty(clauses.Get("TRANSFORM"), "TRANSFORM value"))) {
    const auto value = ReadColumn(text, item);
    rows.push_back(ColumnRow(value.expression, value.alias, {}, format::kCrosstabValue));
  }
  SelectList list = ReadSelectList(text, NonEmpty(clauses.Get("SELECT"), "SELECT list"));
  list.options |= OwnerAccess(clauses);
  AddOptionsRow(list, false, rows);
  for (auto& column : list.columns)
    rows.push_back(ColumnRow(column.expression, column.alias, {}, format::kCrosstabRowHeading));
  AddFrom(text, clauses.Get("FROM"), rows);
  AddTrailingRows(text, clauses, format::kCrosstabRowHeading, rows);
  for (SqlRange item : text.SplitAtCommas(NonEmpty(clauses.Get("PIVOT"), "PIVOT clause")))
    AddPivot(text, item, rows);
}

void ReadAppend(const SqlText& text, SqlRange statement, SavedQuery& query) {
  if (!text.AreWords(statement.first, "INSERT INTO"))
    throw DaoException("INSERT is not followed by INTO.");
  std::u16string target;
  size_t at = ReadName(text, {statement.first + 2, statement.last}, target, "table to append to");
  std::vector<std::u16string> fields;
  if (at < statement.last && text.at(at).kind == SqlTokenKind::kOpen) {
    const size_t close = text.Closing(at);
    for (SqlRange item : text.SplitAtCommas({at + 1, close})) {
      if (item.empty()) throw DaoException("The list of fields to append to has an empty item.");
      fields.push_back(item.size() == 1 ? text.Name(item.first) : text.Text(item));
    }
    at = close + 1;
  }
  query.kind = QueryKind::kAppend;
  auto& rows = query.rows;
  rows.push_back(TypeRow(QueryTypeCode::kAppend, target));
  if (text.IsWord(at, "VALUES")) {
    if (!text.IsParenthesised({at + 1, statement.last}))
      throw DaoException("VALUES is not followed by one list in parentheses.");
    const auto values = text.SplitAtCommas({at + 2, statement.last - 1});
    if (values.empty() || values.size() != fields.size())
      throw DaoException("VALUES does not give one value for each field appended to.");
    for (size_t i = 0; i < values.size(); ++i)
      rows.push_back(ColumnRow(text.Text(NonEmpty(values[i], "value")), {}, fields[i],
                               format::kAppendValuesItem));
    return;
  }
  const SqlClauses clauses(
      text, {at, statement.last},
      {"SELECT", "FROM", "WHERE", "GROUP BY", "HAVING", "ORDER BY", "WITH OWNERACCESS OPTION"});
  SelectList list = ReadSelectList(text, NonEmpty(clauses.Get("SELECT"), "SELECT list"));
  list.options |= OwnerAccess(clauses);
  if (list.columns.empty()) throw DaoException("An append query needs its columns named, not *.");
  if (!fields.empty() && fields.size() != list.columns.size())
    throw DaoException("The SELECT list does not give one column for each field appended to.");
  AddOptionsRow(list, false, rows);
  for (size_t i = 0; i < list.columns.size(); ++i) {
    const auto& column = list.columns[i];
    const std::u16string field = fields.empty() ? ImpliedTarget(text, column) : fields[i];
    rows.push_back(ColumnRow(column.expression, column.alias, field, 0));
  }
  AddFrom(text, clauses.Get("FROM"), rows);
  AddTrailingRows(text, clauses, 0, rows);
}

void ReadUpdate(const SqlText& text, SqlRange statement, SavedQuery& query) {
  const SqlClauses clauses(text, statement, {"UPDATE", "SET", "WHERE"});
  query.kind = QueryKind::kUpdate;
  auto& rows = query.rows;
  rows.push_back(TypeRow(QueryTypeCode::kUpdate));
  AddFrom(text, NonEmpty(clauses.Get("UPDATE"), "list of tables to update"), rows);
  // Access saves an update whose SET list is still empty, so it is read too.
  const auto assignments = clauses.Get("SET");
  if (!assignments) throw DaoException("An UPDATE statement has no SET clause.");
  for (SqlRange item :
       assignments->empty() ? std::vector<SqlRange>{} : text.SplitAtCommas(*assignments)) {
    if (item.empty()) throw DaoException("The SET list has an empty item.");
    const size_t depth = text.at(item.first).depth;
    size_t equals = item.first;
    while (equals < item.last &&
           (text.at(equals).depth != depth || text.Text({equals, equals + 1}) != u"="))
      ++equals;
    if (equals == item.first || equals + 1 >= item.last)
      throw DaoException("The SET item '" + format::ToUtf8(text.Text(item)) +
                         "' is not field = value.");
    rows.push_back(
        ColumnRow(text.Text({equals + 1, item.last}), {}, text.Text({item.first, equals}), 0));
  }
  AddTrailingRows(text, clauses, 0, rows);
}

void ReadDelete(const SqlText& text, SqlRange statement, SavedQuery& query) {
  const SqlClauses clauses(text, statement, {"DELETE", "FROM", "WHERE"});
  query.kind = QueryKind::kDelete;
  auto& rows = query.rows;
  rows.push_back(TypeRow(QueryTypeCode::kDelete));
  if (auto columns = clauses.Get("DELETE"); columns && !columns->empty())
    for (SqlRange item : text.SplitAtCommas(*columns))
      rows.push_back(ColumnRow(ReadColumn(text, item).expression, {}, {}, 0));
  AddFrom(text, NonEmpty(clauses.Get("FROM"), "FROM clause"), rows);
  AddTrailingRows(text, clauses, 0, rows);
}

}  // namespace tarvex::dao
