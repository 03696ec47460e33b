#include "query/query.h"

#include "query/parameters_clause.h"
#include "query/query_engine.h"

namespace tarvex::query {

std::u16string CQuery::BuildSQL() {
  if (std::unique_ptr<CQB> builder = CQueryEngine().CreateBuilder(typeText)) {
    std::u16string built;
    builder->Build(rows, built);
    if (!built.empty()) sql = ParametersClause(rows) + built;
  }
  return sql;
}

const std::u16string* CQuery::ObjectId() const {
  return rows.head() ? &rows.head()->objectId : nullptr;
}

}  // namespace tarvex::query
