#include "query/select_parts.h"

#include <algorithm>

#include "query/query_text.h"

namespace tarvex::query {
namespace {

constexpr int32_t kDistinct = 2;
constexpr int32_t kDistinctRow = 8;

const CQueryJoinStatement* GroupOf(const JoinStatementList& groups, const std::u16string& name) {
  for (const CQueryJoinStatement* group = groups.head(); group; group = group->next) {
    if (group->Contains(name)) return group;
  }
  return nullptr;
}

}  // namespace

void CSelectParts::SetRows(const QueryRowList& rows) {
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) {
    if (row->attribute == u"5") tableOfAlias_.emplace(row->name2, row->name1);  // the first one counts
  }
}

void CSelectParts::SetDistinctMode(const CQueryAttributes& row) { distinctMode_ = ParseNumber(row.flag); }

void CSelectParts::AddInputTable(const CQueryAttributes& row) {
  std::u16string item = Bracket(row.name1);
  if (!row.name2.empty()) item += u" AS " + BracketIfBlank(row.name2);
  inputs_.push_back({row.name2.empty() ? row.name1 : row.name2, item});
}

void CSelectParts::AddTargetTable(const CQueryAttributes& row) {
  inputs_.push_back({row.name2.empty() ? row.name1 : row.name2, Bracket(row.name1)});
}

void CSelectParts::AddJoin(const CQueryAttributes& row) {
  std::unique_ptr<CQueryAttributes> copy = row.Copy();
  copy->leftReference = ResolveOnFirstSight(row.name1);
  copy->rightReference = ResolveOnFirstSight(row.name2);
  joinBuilder_.AddJoinRow(std::move(copy));
}

void CSelectParts::SetWhere(const CQueryAttributes& row) {
  if (!row.expression.empty()) whereClause_ = u"WHERE " + row.expression;
}

void CSelectParts::AddGroupBy(const std::u16string& expression, const std::u16string& separator) {
  groupByClause_ += groupByClause_.empty() ? u"GROUP BY " : separator;
  groupByClause_ += expression;
}

void CSelectParts::SetHaving(const CQueryAttributes& row) { havingClause_ = u"HAVING " + row.expression; }

void CSelectParts::AddOrderBy(const CQueryAttributes& row) {
  AppendListItem(orderByList_, row.expression);
  if (row.name1 == u"D" || row.name1 == u"d") orderByList_ += u" DESC";
}

std::u16string CSelectParts::SelectKeyword() const {
  if (distinctMode_ == kDistinct) return u"SELECT DISTINCT";
  if (distinctMode_ == kDistinctRow) return u"SELECT DISTINCTROW";
  return u"SELECT";
}

std::u16string CSelectParts::TableList() {
  const JoinStatementList& groups = joinBuilder_.BuildJoinGroups();
  std::vector<const CQueryJoinStatement*> written;
  std::u16string list;
  auto writeGroupOnce = [&](const CQueryJoinStatement* group) {
    if (std::find(written.begin(), written.end(), group) != written.end()) return;
    written.push_back(group);
    AppendListItem(list, group->text);
  };
  for (const InputTable& input : inputs_) {
    if (const CQueryJoinStatement* group = GroupOf(groups, input.key)) {
      writeGroupOnce(group);
    } else {
      AppendListItem(list, input.item);
    }
  }
  for (const CQueryJoinStatement* group = groups.head(); group; group = group->next) {
    writeGroupOnce(group);
  }
  return list;
}

std::u16string CSelectParts::FromClause() {
  std::u16string list = TableList();
  return list.empty() ? list : u"FROM " + list;
}

std::u16string CSelectParts::TrailingClauses() const {
  std::u16string text;
  for (const std::u16string* clause : {&whereClause_, &groupByClause_, &havingClause_}) {
    if (!clause->empty()) text += kNewLine + *clause;
  }
  if (!orderByList_.empty()) text += kNewLine + (u"ORDER BY " + orderByList_);
  return text;
}

// Only the first join row that names a table brings its resolved reference; later
// rows refer to the group the table has joined by then.
std::u16string CSelectParts::ResolveOnFirstSight(const std::u16string& name) {
  if (!seenTables_.insert(name).second) return u"";
  return ResolveTableReference(name);
}

// A name that is an input table's alias becomes "table AS alias"; any other name
// stands as it is. Here only names with blanks are bracketed.
std::u16string CSelectParts::ResolveTableReference(const std::u16string& name) const {
  auto table = tableOfAlias_.find(name);
  if (table == tableOfAlias_.end()) return BracketIfBlank(name);
  return BracketIfBlank(table->second) + u" AS " + BracketIfBlank(name);
}

}  // namespace tarvex::query
