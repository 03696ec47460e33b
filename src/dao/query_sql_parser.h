#pragma once
// Access SQL to the rows of a saved query. The statement is read only as far
// as its clauses: expressions stay text, as Access stores them, and need no
// more than brackets, quotes and parentheses that pair up.
#include <string_view>

#include "dao/saved_query_rows.h"

namespace tarvex::dao {

// The rows of a query of any kind but pass-through, first to last, numbered;
// throws DaoException with the reason for SQL it cannot take.
SavedQuery ParseQuerySql(std::u16string_view sql);

// The rows of a pass-through query: its text is for the server named by
// `connect`, so it is kept as it is, only checked for length and control characters.
SavedQuery PassThroughQuery(std::u16string_view sql, std::u16string_view connect);

}  // namespace tarvex::dao
