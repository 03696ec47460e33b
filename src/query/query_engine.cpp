#include "query/query_engine.h"

#include <unordered_map>

#include "query/qb_append.h"
#include "query/qb_crosstab.h"
#include "query/qb_delete.h"
#include "query/qb_make_table.h"
#include "query/qb_select.h"
#include "query/qb_stored_text.h"
#include "query/qb_union.h"
#include "query/qb_update.h"
#include "query/query_text.h"

namespace tarvex::query {

int32_t QueryKindOf(const std::u16string& flagsText) {
  constexpr uint32_t kKindBits = 0xF0;
  return static_cast<int32_t>(static_cast<uint32_t>(ParseNumber(flagsText)) & kKindBits);
}

void CQueryEngine::GroupRows(QueryList& queries, QueryRowList& rows) const {
  // Every query's key is its first row's objectId and keys are unique, so a map
  // finds the same query a walk of the list would, without quadratic time.
  std::unordered_map<std::u16string, CQuery*> byObjectId;
  for (CQuery* query = queries.head(); query; query = query->next) {
    if (const std::u16string* id = query->ObjectId()) byObjectId.emplace(*id, query);
  }
  while (CQueryAttributes* row = rows.TakeHead()) {
    auto [slot, isNew] = byObjectId.emplace(row->objectId, nullptr);
    if (isNew) {
      slot->second = new CQuery();
      queries.Append(slot->second);
    }
    slot->second->rows.Append(row);
  }
}

void CQueryEngine::AttachCatalogue(QueryList& queries, const QueryCatalogue& catalogue) const {
  std::unordered_map<std::u16string, CQuery*> byObjectId;
  for (CQuery* query = queries.head(); query; query = query->next) {
    if (const std::u16string* id = query->ObjectId()) byObjectId.emplace(*id, query);
  }
  for (const model::CQuerySysObject* entry = catalogue.head(); entry; entry = entry->next) {
    auto found = byObjectId.find(entry->id);
    if (found == byObjectId.end()) continue;
    found->second->name = entry->name;
    found->second->typeText = entry->flags;
  }
}

std::unique_ptr<CQB> CQueryEngine::CreateBuilder(const std::u16string& typeText) const {
  switch (static_cast<QueryKind>(QueryKindOf(typeText))) {
    case QueryKind::kSelect:
      return std::make_unique<CQBSelect>();
    case QueryKind::kCrosstab:
      return std::make_unique<CQBCrosstab>();
    case QueryKind::kDelete:
      return std::make_unique<CQBDelete>();
    case QueryKind::kUpdate:
      return std::make_unique<CQBUpdate>();
    case QueryKind::kAppend:
      return std::make_unique<CQBAppend>();
    case QueryKind::kUnion:
      return std::make_unique<CQBUnion>();
    case QueryKind::kMakeTable:
      return std::make_unique<CQBMakeTable>();
    case QueryKind::kDataDefinition:
    case QueryKind::kPassThrough:
      return std::make_unique<CQBStoredText>();
    default:
      return nullptr;
  }
}

}  // namespace tarvex::query
