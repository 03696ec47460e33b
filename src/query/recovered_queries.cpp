#include "query/recovered_queries.h"

#include <string>

#include "query/query_engine.h"
#include "query/query_text.h"

namespace tarvex::query {

namespace {

struct KindName {
  QueryKind kind;
  const char16_t* text;
};

constexpr KindName kKindNames[] = {
    {QueryKind::kSelect, u"Select"},      {QueryKind::kCrosstab, u"Crosstab"},
    {QueryKind::kDelete, u"Delete"},      {QueryKind::kUpdate, u"Update"},
    {QueryKind::kAppend, u"Append"},      {QueryKind::kMakeTable, u"Make-Table"},
    {QueryKind::kDataDefinition, u"DDL"}, {QueryKind::kPassThrough, u"Pass-Through"},
    {QueryKind::kUnion, u"Union"},
};

}  // namespace

std::u16string QueryKindText(const std::u16string& flagsText) {
  const auto kind = static_cast<QueryKind>(QueryKindOf(flagsText));
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.text;
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
