#include "query/qb_delete.h"

#include "query/query_text.h"

namespace tarvex::query {

void CQBDelete::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) TakeRow(*row);
  sqlOut = u"DELETE FROM " + targetTable_ + parts_.TrailingClauses();
}

void CQBDelete::TakeRow(const CQueryAttributes& row) {
  // The last input table is the target.
  if (row.Kind() == RowKind::kInputTable) {
    targetTable_ = Bracket(row.name1);
  } else {
    parts_.TakeFilterRow(row);
  }
}

}  // namespace tarvex::query
