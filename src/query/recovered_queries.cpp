#include "query/recovered_queries.h"

#include <string>

#include "query/query_engine.h"
#include "query/query_text.h"

namespace tarvex::query {

std::u16string QueryKindText(const std::u16string& flagsText) {
  const int32_t kind = QueryKindOf(flagsText);
  switch (static_cast<QueryKind>(kind)) {
    case QueryKind::kSelect:
      return u"Select";
    case QueryKind::kCrosstab:
      return u"Crosstab";
    case QueryKind::kDelete:
      return u"Delete";
    case QueryKind::kUpdate:
      return u"Update";
    case QueryKind::kAppend:
      return u"Append";
    case QueryKind::kMakeTable:
      return u"Make-Table";
    case QueryKind::kDataDefinition:
      return u"DDL";
    case QueryKind::kPassThrough:
      return u"Pass-Through";
    case QueryKind::kUnion:
      return u"Union";
  }
  const std::string digits = std::to_string(ParseNumber(flagsText));
  return std::u16string(digits.begin(), digits.end());
}

std::vector<RecoveredQuery> RecoverQueries(QueryRowList& rows,
                                           const model::CTList<model::CQuerySysObject>& catalogue) {
  const CQueryEngine engine;
  QueryList queries;
  engine.GroupRows(queries, rows);
  engine.AttachCatalogue(queries, catalogue);
  std::vector<RecoveredQuery> recovered;
  for (CQuery* query = queries.head(); query; query = query->next) {
    std::u16string sql = query->BuildSQL();
    recovered.push_back({query->GetName(), QueryKindText(query->GetTypeText()), std::move(sql)});
  }
  return recovered;
}

}  // namespace tarvex::query
