#include "query/select_parts.h"

#include <algorithm>
#include <map>
#include <set>

#include "query/query_text.h"

namespace tarvex::query {
namespace {

using format::kQueryDistinct;
using format::kQueryDistinctRow;
using format::kQueryTop;
using format::kQueryTopPercent;

bool IsDigits(const std::u16string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The table an input-table row reads: its name, or the SELECT of a derived table.
std::u16string InputTableTerm(const CQueryAttributes& row, bool alwaysBracket) {
  if (row.name1.empty() && !row.expression.empty()) return u"(" + row.expression + u")";
  return alwaysBracket ? Bracket(row.name1) : BracketIfNeeded(row.name1);
}

}  // namespace

void CSelectParts::SetRows(const QueryRowList& rows) {
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) {
    // The first input table that uses a name as its alias counts.
    if (row->attribute == u"5" && !row->name2.empty())
      tableOfAlias_.emplace(row->name2, InputTableTerm(*row, false));
  }
}

bool CSelectParts::TakeSelectRow(const CQueryAttributes& row) {
  switch (row.Kind()) {
    case RowKind::kOptions:
      SetOptions(row);
      return true;
    case RowKind::kInputTable:
      AddInputTable(row);
      return true;
    case RowKind::kJoin:
      AddJoin(row);
      return true;
    case RowKind::kGroupBy:
      AddGroupBy(row.expression, u", ");
      return true;
    case RowKind::kOrderBy:
      AddOrderBy(row);
      return true;
    default:
      return TakeFilterRow(row);
  }
}

bool CSelectParts::TakeFilterRow(const CQueryAttributes& row) {
  switch (row.Kind()) {
    case RowKind::kWhere:
      SetWhere(row);
      return true;
    case RowKind::kHaving:
      SetHaving(row);
      return true;
    default:
      return false;
  }
}

void CSelectParts::SetOptions(const CQueryAttributes& row) {
  options_ = ParseNumber(row.flag);
  topValue_ = row.name1;
}

void CSelectParts::AddInputTable(const CQueryAttributes& row) {
  std::u16string item = InputTableTerm(row, true);
  if (!row.name2.empty()) item += u" AS " + BracketIfNeeded(row.name2);
  inputs_.push_back({row.name2.empty() ? row.name1 : row.name2, item});
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

void CSelectParts::SetHaving(const CQueryAttributes& row) {
  havingClause_ = u"HAVING " + row.expression;
}

void CSelectParts::AddOrderBy(const CQueryAttributes& row) {
  AppendListItem(orderByList_, row.expression);
  if (row.name1 == u"D" || row.name1 == u"d") orderByList_ += u" DESC";
}

std::u16string CSelectParts::SelectKeyword() const {
  // The flag is a set of bits: the hidden queries behind forms carry 9 (all
  // fields, DISTINCTROW) and TOP comes as 16 or 24. Both uniqueness bits at once
  // contradict each other and ask for neither.
  std::u16string keyword = u"SELECT";
  const int32_t uniqueness = options_ & (kQueryDistinct | kQueryDistinctRow);
  if (uniqueness == kQueryDistinct) keyword += u" DISTINCT";
  if (uniqueness == kQueryDistinctRow) keyword += u" DISTINCTROW";
  if ((options_ & kQueryTop) && IsDigits(topValue_)) {
    keyword += u" TOP " + topValue_;
    if (options_ & kQueryTopPercent) keyword += u" PERCENT";
  }
  return keyword;
}

std::u16string CSelectParts::TableList() {
  const JoinStatementList& groups = joinBuilder_.BuildJoinGroups();
  // A table belongs to one group at most: a group absorbs every group it touches.
  std::map<std::u16string, const CQueryJoinStatement*> groupOfTable;
  for (const CQueryJoinStatement* group = groups.head(); group; group = group->next) {
    for (const std::u16string& name : group->tableNames) groupOfTable.emplace(name, group);
  }
  std::set<const CQueryJoinStatement*> written;
  std::u16string list;
  auto writeGroupOnce = [&](const CQueryJoinStatement* group) {
    if (written.insert(group).second) AppendListItem(list, group->text);
  };
  for (const InputTable& input : inputs_) {
    auto group = groupOfTable.find(input.key);
    if (group != groupOfTable.end()) {
      writeGroupOnce(group->second);
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
// stands as it is. Only names a reader could not take bare are bracketed.
std::u16string CSelectParts::ResolveTableReference(const std::u16string& name) const {
  auto table = tableOfAlias_.find(name);
  if (table == tableOfAlias_.end()) return BracketIfNeeded(name);
  return table->second + u" AS " + BracketIfNeeded(name);
}

}  // namespace tarvex::query
