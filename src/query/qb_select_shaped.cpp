#include "query/qb_select_shaped.h"

namespace tarvex::query {

void CQBSelectShaped::ReadRows(const QueryRowList& rows) {
  parts_.SetRows(rows);
  for (const CQueryAttributes* row = rows.head(); row; row = row->next) {
    if (!TakeOwnRow(*row)) parts_.TakeSelectRow(*row);
  }
}

}  // namespace tarvex::query
