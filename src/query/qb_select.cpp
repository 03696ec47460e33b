#include "query/qb_select.h"

#include "query/query_text.h"

namespace tarvex::query {

void CQBSelect::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  parts_.SetRows(rows);
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) ProcessRow(*row);
  const std::u16string columns = columnList_.empty() ? u"*" : columnList_;
  sqlOut = parts_.SelectKeyword() + u" " + columns + kNewLine + parts_.FromClause() +
           parts_.TrailingClauses();
}

void CQBSelect::ProcessRow(const CQueryAttributes& row) {
  switch (ParseNumber(row.attribute)) {
    case 3:
      parts_.SetOptions(row);
      break;
    case 5:
      parts_.AddInputTable(row);
      break;
    case 6: {
      std::u16string item = row.expression;
      if (!row.name1.empty()) item += u" AS " + Bracket(row.name1);
      AppendListItem(columnList_, item);
      break;
    }
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
