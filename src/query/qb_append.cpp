#include "query/qb_append.h"

#include "query/query_text.h"

namespace tarvex::query {

void CQBAppend::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  ReadRows(rows);
  // Unlike a select, no "*" stands in for a missing column list: the target
  // columns would not match it.
  sqlOut = u"INSERT INTO " + targetTable_ + u" ( " + targetColumns_ + u" )" + kNewLine +
           parts_.SelectKeyword() + u" " + columnList_ + kNewLine + parts_.FromClause() +
           parts_.TrailingClauses();
}

bool CQBAppend::TakeOwnRow(const CQueryAttributes& row) {
  switch (row.Kind()) {
    case RowKind::kType:
      targetTable_ = BracketIfNeeded(row.name1);
      return true;
    case RowKind::kColumn:
      AppendListItem(columnList_, row.expression);
      AppendListItem(targetColumns_, Bracket(row.name2));
      return true;
    default:
      return false;
  }
}

}  // namespace tarvex::query
