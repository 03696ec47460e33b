#include "query/qb_delete.h"

#include "query/query_text.h"

namespace tarvex::query {

void CQBDelete::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  parts_.SetRows(rows);
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) TakeRow(*row);
  const std::u16string columns = columnList_.empty() ? u"" : columnList_ + kNewLine;
  sqlOut = u"DELETE " + columns + u"FROM " + parts_.TableList() + parts_.TrailingClauses();
}

void CQBDelete::TakeRow(const CQueryAttributes& row) {
  switch (row.Kind()) {
    case RowKind::kInputTable:
      parts_.AddInputTable(row);
      break;
    case RowKind::kJoin:
      parts_.AddJoin(row);
      break;
    // The columns of a delete name the table whose rows go where several are joined.
    case RowKind::kColumn:
      AppendListItem(columnList_, row.expression);
      break;
    default:
      parts_.TakeFilterRow(row);
      break;
  }
}

}  // namespace tarvex::query
