// Indexes left out at Close: those whose text this engine cannot key as
// Access does, and the foreign-key indexes that pair with them.
#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/database_file.h"
#include "format/catalogue_objects.h"

namespace tarvex::dao {

std::u16string DatabaseFile::TableName(uint32_t definitionPage) const {
  const auto entry = std::find_if(catalogue_.begin(), catalogue_.end(), [&](const auto& e) {
    return e.parentId == format::kTablesContainerId &&
           (static_cast<uint32_t>(e.id) & format::kObjectIdMask) == definitionPage;
  });
  return entry != catalogue_.end() ? entry->name : std::u16string();
}

TableStore* DatabaseFile::ReadableTable(uint32_t definitionPage) {
  try {
    return &Table(definitionPage);
  } catch (const DaoException&) {
    return nullptr;  // a link from a damaged definition
  }
}

std::vector<LeftOutIndex> DatabaseFile::LeaveOutIndexes(
    const std::map<uint32_t, std::vector<uint32_t>>& unbuilt, std::vector<uint32_t>& freedPages) {
  // Both indexes of a relationship go together: one without its partner
  // names an index that is not there.
  std::map<uint32_t, std::set<uint32_t>> removals;
  for (const auto& [page, reals] : unbuilt)
    for (const auto& l : Table(page).definition().logicalIndexes) {
      if (std::find(reals.begin(), reals.end(), l.realNumber) == reals.end()) continue;
      removals[page].insert(l.number);
      if (l.relation && ReadableTable(l.relation->partnerTablePage))
        removals[l.relation->partnerTablePage].insert(l.relation->partnerIndex);
    }
  std::vector<LeftOutIndex> leftOut;
  std::set<std::u16string> unenforced;
  for (const auto& [page, numbers] : removals)
    for (const auto& l : Table(page).RemoveIndexes(numbers, freedPages)) {
      leftOut.push_back({TableName(page), l.name, l.relation.has_value()});
      // The referencing side's index is named as its relationship.
      if (l.relation && l.relation->side == format::kForeignSide) unenforced.insert(l.name);
    }
  // Every link into a table that lost indexes comes from a partner of one it kept.
  for (const auto& [page, numbers] : removals) {
    std::set<uint32_t> partners;
    for (const auto& l : Table(page).definition().logicalIndexes)
      if (l.relation) partners.insert(l.relation->partnerTablePage);
    for (uint32_t partner : partners)
      if (auto* table = ReadableTable(partner)) table->FollowRemoval(page, numbers);
  }
  if (!unenforced.empty()) MarkNotEnforced(unenforced);
  return leftOut;
}

}  // namespace tarvex::dao
