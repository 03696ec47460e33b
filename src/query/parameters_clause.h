#pragma once
// The PARAMETERS declaration that leads a query's text when its rows declare
// parameters: "PARAMETERS name Type, [name] Text ( 50 );" and a line feed, each
// name as Access keeps it.
#include <string>

#include "query/query_attributes.h"

namespace tarvex::query {

// Empty when the rows declare no parameter.
std::u16string ParametersClause(const QueryRowList& rows);

}  // namespace tarvex::query
