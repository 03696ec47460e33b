#include "query/qb_delete.h"

#include "query/query_text.h"

namespace tarvex::query {

void CQBDelete::Build(const QueryRowList& rows, std::u16string& sqlOut) {
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) ProcessRow(*row);
  sqlOut = u"DELETE FROM " + targetTable_ + parts_.TrailingClauses();
}

void CQBDelete::ProcessRow(const CQueryAttributes& row) {
  switch (ParseNumber(row.attribute)) {
    case 5:
      targetTable_ = Bracket(row.name1);
      break;  // the last input table is the target
    case 8:
      parts_.SetWhere(row);
      break;
    case 10:
      parts_.SetHaving(row);
      break;
    default:
      break;
  }
}

}  // namespace tarvex::query
