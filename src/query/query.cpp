#include "query/query.h"

#include "query/query_engine.h"

namespace tarvex::query {

std::u16string CQuery::BuildSQL() {
  if (std::unique_ptr<CQB> builder = CQueryEngine().CreateBuilder(typeText))
    builder->Build(rows, sql);
  return sql;
}

const std::u16string* CQuery::ObjectId() const {
  return rows.head() ? &rows.head()->objectId : nullptr;
}

}  // namespace tarvex::query
