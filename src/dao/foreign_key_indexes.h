#pragma once
// The two foreign-key indexes of an enforced relationship, as Access keeps
// them: one on the referenced table, sharing the unique index of the
// referenced fields, and one on the referencing table, named as the
// relationship, sharing an index over the referencing fields when there is
// one. Each names the other, so that a reader can walk from either side.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dao/table_definition.h"

namespace tarvex::dao {

// Where the two indexes find their keys.
struct ForeignKeyPlan {
  uint32_t primaryReal = 0;  // the referenced table's unique index
  // The referencing table's index over foreignKeys, when it has one.
  std::optional<uint32_t> foreignReal;
  // The referencing table's ordinary index over foreignReal that becomes the foreign-key index.
  std::optional<size_t> takenLogical;
  // The referencing fields (column numbers) in the order of the unique index's keys.
  std::vector<uint16_t> foreignKeys;
  std::u16string primaryName;  // of the referenced table's new index
};

// Plans the indexes of a relationship over `referenced` fields of `primary`
// and `referencing` fields of `foreign` (column numbers, in pair order; the
// two definitions are one object when the table refers to itself). An
// ordinary index of `foreign` named `takeIndex` over exactly the referencing
// fields becomes the relationship's index. Throws DaoException when no unique
// index covers exactly the referenced fields, when the referencing table
// already has an index named `name`, or when either table has no room for
// another index.
ForeignKeyPlan PlanForeignKeys(const TableDefinition& primary,
                               const std::vector<uint16_t>& referenced,
                               const TableDefinition& foreign,
                               const std::vector<uint16_t>& referencing, const std::u16string& name,
                               std::u16string_view takeIndex = {});

// Adds the planned pair of indexes (or turns the taken index into the
// referencing side's); a new index on the referencing table takes its usage
// map from `newUsageMap`. Its tree is built with the others
// when the database closes.
void AddForeignKeys(const ForeignKeyPlan& plan, TableDefinition& primary, uint32_t primaryPage,
                    TableDefinition& foreign, uint32_t foreignPage, const std::u16string& name,
                    long attributes, const std::function<uint32_t()>& newUsageMap);

}  // namespace tarvex::dao
