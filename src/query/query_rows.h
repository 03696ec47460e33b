#pragma once
// The recovered rows of the system table MSysQueries, as query rows.
#include "model/access_data.h"
#include "query/query_attributes.h"

namespace tarvex::query {

// Appends every recovered MSysQueries row to `rows`, in recovered order. A model
// without that table (or without its rows) adds nothing.
void ReadQueryRows(const model::CAccessData& model, QueryRowList& rows);

}  // namespace tarvex::query
