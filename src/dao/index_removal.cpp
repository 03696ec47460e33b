#include "dao/index_removal.h"

#include <algorithm>

namespace tarvex::dao {

uint32_t NumberAfterRemoval(uint32_t number, const std::set<uint32_t>& removed) {
  const auto below =
      static_cast<uint32_t>(std::distance(removed.begin(), removed.lower_bound(number)));
  // Numbers a damaged definition repeats must not take one below zero.
  return number - std::min(below, number);
}

RemovedIndexes RemoveLogicalIndexes(TableDefinition& definition,
                                    const std::set<uint32_t>& numbers) {
  RemovedIndexes removed;
  auto& logical = definition.logicalIndexes;
  for (const auto& l : logical)
    if (numbers.contains(l.number)) removed.logical.push_back(l);
  std::erase_if(logical, [&](const auto& l) { return numbers.contains(l.number); });
  for (auto& l : logical) l.number = NumberAfterRemoval(l.number, numbers);

  std::set<uint32_t> unused;
  for (const auto& l : removed.logical)
    if (l.realNumber < definition.realIndexes.size() &&
        std::none_of(logical.begin(), logical.end(),
                     [&](const auto& kept) { return kept.realNumber == l.realNumber; }))
      unused.insert(l.realNumber);
  for (auto r = unused.rbegin(); r != unused.rend(); ++r) {
    const auto at = definition.realIndexes.begin() + static_cast<std::ptrdiff_t>(*r);
    removed.real.push_back(*at);
    definition.realIndexes.erase(at);
  }
  for (auto& l : logical) l.realNumber = NumberAfterRemoval(l.realNumber, unused);
  return removed;
}

bool FollowRemoval(TableDefinition& definition, uint32_t page, const std::set<uint32_t>& removed) {
  bool changed = false;
  for (auto& l : definition.logicalIndexes) {
    if (!l.relation || l.relation->partnerTablePage != page) continue;
    const uint32_t number = NumberAfterRemoval(l.relation->partnerIndex, removed);
    changed = changed || number != l.relation->partnerIndex;
    l.relation->partnerIndex = number;
  }
  return changed;
}

}  // namespace tarvex::dao
