#include "query/qb_append.h"

#include "query/query_text.h"

namespace tarvex::query {

void CQBAppend::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  ReadRows(rows);
  const std::u16string into = u"INSERT INTO " + targetTable_ + u" ( " + targetColumns_ + u" )";
  // Access keeps INSERT … VALUES as column rows flagged as VALUES items, with no table.
  if (!readsTable_ && valuesItems_ > 0 && valuesItems_ == columnItems_) {
    sqlOut = into + kNewLine + u"VALUES (" + columnList_ + u")";
    return;
  }
  // Unlike a select, no "*" stands in for a missing column list: the target
  // columns would not match it.
  sqlOut = into + kNewLine + parts_.SelectKeyword() + u" " + columnList_ + kNewLine +
           parts_.FromClause() + parts_.TrailingClauses();
}

bool CQBAppend::TakeOwnRow(const CQueryAttributes& row) {
  switch (row.Kind()) {
    case RowKind::kType:
      targetTable_ = BracketIfNeeded(row.name1);
      return true;
    case RowKind::kColumn: {
      std::u16string item = row.expression;
      if (!row.name1.empty()) item += u" AS " + Bracket(row.name1);
      AppendListItem(columnList_, item);
      AppendListItem(targetColumns_, Bracket(row.name2));
      ++columnItems_;
      if (ParseNumber(row.flag) == format::kAppendValuesItem) ++valuesItems_;
      return true;
    }
    case RowKind::kInputTable:
      readsTable_ = true;  // VALUES reads no table
      return false;
    default:
      return false;
  }
}

}  // namespace tarvex::query
