#include "query/join_builder.h"

#include <algorithm>

namespace tarvex::query {
namespace {

std::u16string JoinKeyword(const std::u16string& flag) {
  if (flag == u"1") return u"INNER JOIN";
  if (flag == u"2") return u"LEFT JOIN";
  if (flag == u"3") return u"RIGHT JOIN";
  return u"";
}

std::u16string Parenthesize(const std::u16string& text) { return u"(" + text + u")"; }

}  // namespace

bool CQueryJoinStatement::Contains(const std::u16string& name) const {
  return std::find(tableNames.begin(), tableNames.end(), name) != tableNames.end();
}

void CQueryJoinStatement::AddName(const std::u16string& name) {
  if (!Contains(name)) tableNames.push_back(name);
}

void CQueryJoinBuilder::AddJoinRow(std::unique_ptr<CQueryAttributes> copy) {
  if (joinRows_.count() < kMaxJoinRows) joinRows_.Append(copy.release());
}

const JoinStatementList& CQueryJoinBuilder::BuildJoinGroups() {
  if (built_) return statements_;
  built_ = true;
  MergeRowsOfSamePair();
  for (const CQueryAttributes* row = joinRows_.head(); row; row = row->next) AddJoin(*row);
  return statements_;
}

// Several rows between the same two tables are one join with all their conditions:
// ((e1) AND (e2)) AND (e3).
void CQueryJoinBuilder::MergeRowsOfSamePair() {
  std::vector<std::unique_ptr<CQueryAttributes>> rows;
  while (CQueryAttributes* row = joinRows_.TakeHead()) rows.emplace_back(row);
  for (size_t first = 0; first < rows.size(); ++first) {
    if (!rows[first]) continue;
    for (size_t later = first + 1; later < rows.size(); ++later) {
      if (!rows[later] || rows[later]->name1 != rows[first]->name1 ||
          rows[later]->name2 != rows[first]->name2) {
        continue;
      }
      rows[first]->expression =
          Parenthesize(rows[first]->expression) + u" AND " + Parenthesize(rows[later]->expression);
      rows[later].reset();
    }
  }
  for (auto& row : rows) {
    if (row) joinRows_.Append(row.release());
  }
}

void CQueryJoinBuilder::AddJoin(const CQueryAttributes& row) {
  const std::u16string left = Term(row.leftReference, row.name1);
  const std::u16string right = Term(row.rightReference, row.name2);
  auto statement = std::make_unique<CQueryJoinStatement>();
  if (left == right) {
    // Both tables already belong to one group: the row only adds a condition.
    statement->text = left + u" AND " + Parenthesize(row.expression);
  } else {
    statement->text = Parenthesize(left) + u" " + JoinKeyword(row.flag) + u" " +
                      Parenthesize(right) + u" ON " + Parenthesize(row.expression);
  }
  Register(std::move(statement), row);
}

// A table met for the first time stands for itself (its resolved reference); a
// table already joined stands for the whole expression of its group.
std::u16string CQueryJoinBuilder::Term(const std::u16string& reference,
                                       const std::u16string& name) const {
  if (!reference.empty()) return reference;
  for (const CQueryJoinStatement* statement = statements_.head(); statement;
       statement = statement->next) {
    if (statement->Contains(name)) return statement->text;
  }
  return name;
}

// The new statement replaces every group that holds either table of the row.
void CQueryJoinBuilder::Register(std::unique_ptr<CQueryJoinStatement> statement,
                                 const CQueryAttributes& row) {
  JoinStatementList kept;
  while (CQueryJoinStatement* old = statements_.TakeHead()) {
    if (old->Contains(row.name1) || old->Contains(row.name2)) {
      for (const std::u16string& name : old->tableNames) statement->AddName(name);
      delete old;
    } else {
      kept.Append(old);
    }
  }
  while (CQueryJoinStatement* old = kept.TakeHead()) statements_.Append(old);
  statement->AddName(row.name1);
  statement->AddName(row.name2);
  statements_.Append(statement.release());
}

}  // namespace tarvex::query
