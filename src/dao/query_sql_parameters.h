#pragma once
// The PARAMETERS declaration that may open a query: "name type[, …];", a
// text parameter with its size as "Text(n)" or "Text ( n )".
#include <vector>

#include "dao/query_sql_tokens.h"
#include "dao/saved_query_rows.h"

namespace tarvex::dao {

// One parameter row per declaration, name1 the name as written (brackets
// and all), flag the type, LvExtra the size given. Throws DaoException for an
// unknown type or a declaration it cannot read.
void AddParameterRows(const SqlText& text, SqlRange declarations, std::vector<SavedQueryRow>& rows);

}  // namespace tarvex::dao
