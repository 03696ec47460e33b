#pragma once
// The statements that read tables, each turned into the rows Access keeps
// for it (all but the first, parameter and last rows, which every query has
// alike): SELECT (with INTO, a make-table query), TRANSFORM … PIVOT
// (crosstab), INSERT INTO (append), UPDATE and DELETE. Each sets the query's
// kind and throws DaoException for a statement it cannot read.
#include "dao/query_sql_tokens.h"
#include "dao/saved_query_rows.h"

namespace tarvex::dao {

void ReadSelect(const SqlText& text, SqlRange statement, SavedQuery& query);
void ReadCrosstab(const SqlText& text, SqlRange statement, SavedQuery& query);
void ReadAppend(const SqlText& text, SqlRange statement, SavedQuery& query);
void ReadUpdate(const SqlText& text, SqlRange statement, SavedQuery& query);
void ReadDelete(const SqlText& text, SqlRange statement, SavedQuery& query);

}  // namespace tarvex::dao
