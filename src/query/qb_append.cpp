#include "query/qb_append.h"

#include "query/query_text.h"

namespace tarvex::query {
void CQBAppend::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  parts_.SetRows(rows);
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) ProcessRow(*row);
  // Unlike a select, no "*" stands in for a missing column list: the target
  // columns would not match it.
  sqlOut = u"INSERT INTO " + targetTable_ + u" ( " + targetColumns_ + u" )" + kNewLine +
           parts_.SelectKeyword() + u" " + columnList_ + kNewLine + parts_.FromClause() +
           parts_.TrailingClauses();
}

void CQBAppend::ProcessRow(const CQueryAttributes& row) {
  switch (ParseNumber(row.attribute)) {
    case 1:
      targetTable_ = BracketIfBlank(row.name1);
      break;
    case 3:
      parts_.SetOptions(row);
      break;
    case 5:
      parts_.AddInputTable(row);
      break;
    case 6:
      AppendListItem(columnList_, row.expression);
      AppendListItem(targetColumns_, Bracket(row.name2));
      break;
    case 7:
      parts_.AddJoin(row);
      break;
    case 8:
      parts_.SetWhere(row);
      break;
    case 9:
      parts_.AddGroupBy(row.expression, u", ");
      break;
    case 10:
      parts_.SetHaving(row);
      break;
    case 11:
      parts_.AddOrderBy(row);
      break;
    default:
      break;
  }
}

}  // namespace tarvex::query
