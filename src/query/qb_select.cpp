#include "query/qb_select.h"

#include "query/query_text.h"

namespace tarvex::query {

void CQBSelect::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  ReadRows(rows);
  const std::u16string columns = columnList_.empty() ? u"*" : columnList_;
  sqlOut = parts_.SelectKeyword() + u" " + columns + IntoClause() + kNewLine + parts_.FromClause() +
           parts_.TrailingClauses();
}

bool CQBSelect::TakeOwnRow(const CQueryAttributes& row) {
  if (row.Kind() != RowKind::kColumn) return false;
  std::u16string item = row.expression;
  if (!row.name1.empty()) item += u" AS " + Bracket(row.name1);
  AppendListItem(columnList_, item);
  return true;
}

}  // namespace tarvex::query
