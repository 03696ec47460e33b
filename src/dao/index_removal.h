#pragma once
// Taking logical indexes out of a table definition. The remaining ones keep
// their order and are numbered without gaps, so a foreign-key link into a
// table that lost indexes must follow the new numbers.
#include <cstdint>
#include <set>
#include <vector>

#include "dao/table_definition.h"

namespace tarvex::dao {

struct RemovedIndexes {
  std::vector<LogicalIndexDefinition> logical;  // as they were before the removal
  std::vector<RealIndexDefinition> real;        // those only the removed logical indexes used
};

// Removes the logical indexes numbered `numbers` and the real indexes that
// no remaining logical index uses.
RemovedIndexes RemoveLogicalIndexes(TableDefinition& definition, const std::set<uint32_t>& numbers);

// The number logical index `number` has once those of `removed` are gone.
uint32_t NumberAfterRemoval(uint32_t number, const std::set<uint32_t>& removed);

// Points the foreign-key links into the table at `page` at the numbers its
// indexes have after the removal of `removed`; true when a link changed.
bool FollowRemoval(TableDefinition& definition, uint32_t page, const std::set<uint32_t>& removed);

}  // namespace tarvex::dao
