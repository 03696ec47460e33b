#include "dao/stored_query_rows.h"

#include <algorithm>
#include <map>
#include <utility>

#include "format/unicode.h"

namespace tarvex::dao {
namespace {

using format::QueryRowKind;

// Rows that no clause of a statement reads or writes.
bool SaysNothingInSql(const SavedQueryRow& row) {
  const bool bare = row.name1.empty() && row.name2.empty() && row.expression.empty();
  switch (row.attribute) {
    case QueryRowKind::kStart:
    case QueryRowKind::kEnd:
      return true;
    case QueryRowKind::kType:  // a select's: Access 2000 and later often write none
      return bare && row.flag == static_cast<int32_t>(format::QueryTypeCode::kSelect);
    case QueryRowKind::kOptions:
      return bare && row.flag.value_or(0) == 0;
    case QueryRowKind::kExternalDatabase:  // no IN clause
      return bare;
    default:
      return row.attribute < QueryRowKind::kStart || row.attribute > QueryRowKind::kOrderBy;
  }
}

// A row as far as SQL tells it. SQL cannot tell the order of tables a join
// nests otherwise, the case of a descending sort's "D", the name of a
// crosstab's column heading (PIVOT takes no alias), nor the U+0000 some
// writers close the text of a data-definition or pass-through query with.
struct SqlRow {
  int32_t attribute;
  int32_t order;
  std::u16string name1, name2, expression;
  std::optional<int32_t> flag;
  int32_t size;  // LvExtra means something only to a parameter, as its size; 0 is none

  auto operator<=>(const SqlRow&) const = default;
};

SqlRow SqlRowOf(const SavedQueryRow& row, format::QueryKind kind) {
  SqlRow sql{static_cast<int32_t>(row.attribute),
             row.order,
             row.name1,
             row.name2,
             row.expression,
             row.flag,
             0};
  switch (row.attribute) {
    case QueryRowKind::kParameter:
      sql.size = row.lvExtra.value_or(0);
      break;
    case QueryRowKind::kInputTable:
      sql.order = 0;
      break;
    case QueryRowKind::kColumn:
      if (kind == format::QueryKind::kCrosstab && row.flag == format::kCrosstabColumnHeading)
        sql.name1.clear();
      break;
    case QueryRowKind::kOrderBy:
      if (sql.name1 == u"d") sql.name1 = u"D";
      break;
    case QueryRowKind::kType:
      if (sql.expression.ends_with(u'\0')) sql.expression.pop_back();
      break;
    default:
      break;
  }
  return sql;
}

// The rows that say something in SQL, each as SQL tells it, in a fixed order.
// A crosstab writes its value, row-heading and column-heading columns, and its
// grouping and pivot keys, each in a clause of its own: only the order within
// one role counts.
std::vector<SqlRow> SqlRowsOf(const std::vector<SavedQueryRow>& numbered, format::QueryKind kind) {
  std::vector<SqlRow> sql;
  std::map<std::pair<int32_t, std::optional<int32_t>>, int32_t> countInRole;
  for (const auto& row : numbered) {
    if (SaysNothingInSql(row)) continue;
    SqlRow& added = sql.emplace_back(SqlRowOf(row, kind));
    const bool byRole =
        kind == format::QueryKind::kCrosstab &&
        (row.attribute == QueryRowKind::kColumn || row.attribute == QueryRowKind::kGroupBy);
    if (byRole) added.order = ++countInRole[{added.attribute, added.flag}];
  }
  std::sort(sql.begin(), sql.end());
  return sql;
}

std::string Shown(const SqlRow& row) {
  auto number = [](std::optional<int32_t> value) {
    return value ? std::to_string(*value) : std::string("null");
  };
  return std::to_string(row.attribute) + "/" + std::to_string(row.order) + " name1 '" +
         format::ToUtf8(row.name1) + "' name2 '" + format::ToUtf8(row.name2) + "' expression '" +
         format::ToUtf8(row.expression) + "' flag " + number(row.flag) + " size " +
         std::to_string(row.size);
}

std::string Damage(const std::vector<SavedQueryRow>& sorted) {
  const auto count = [&](QueryRowKind kind) {
    return std::count_if(sorted.begin(), sorted.end(),
                         [&](const auto& row) { return row.attribute == kind; });
  };
  if (count(QueryRowKind::kStart) != 1) return "it has no single first row";
  if (count(QueryRowKind::kEnd) != 1) return "it has no single last row";
  for (size_t i = 0; i < sorted.size(); ++i) {
    const bool sameAttribute = i > 0 && sorted[i].attribute == sorted[i - 1].attribute;
    if (sorted[i].order != (sameAttribute ? sorted[i - 1].order + 1 : 1))
      return "the rows of attribute " + std::to_string(static_cast<int32_t>(sorted[i].attribute)) +
             " are not numbered 1, 2, …";
  }
  return {};
}

std::string Difference(const SavedQuery& parsed, const std::vector<SavedQueryRow>& stored) {
  const std::vector<SqlRow> ours = SqlRowsOf(parsed.rows, parsed.kind),
                            theirs = SqlRowsOf(stored, parsed.kind);
  for (size_t i = 0; i < std::max(ours.size(), theirs.size()); ++i) {
    if (i < ours.size() && i < theirs.size() && ours[i] == theirs[i]) continue;
    return "its rows read back differently from its SQL: stored " +
           (i < theirs.size() ? Shown(theirs[i]) : "nothing") + ", read " +
           (i < ours.size() ? Shown(ours[i]) : "nothing");
  }
  return {};
}

}  // namespace

void SortAsNumbered(std::vector<SavedQueryRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
  });
}

std::string StoredRowsMismatch(const SavedQuery& parsed, const std::vector<SavedQueryRow>& stored) {
  const std::string damage = Damage(stored);
  return damage.empty() ? Difference(parsed, stored) : damage;
}

}  // namespace tarvex::dao
