#pragma once
// The definitions of the four Jet system tables every database holds, as the
// engine lays them out (type 'S', system column flags, their indexes).
#include <string>
#include <vector>

#include "dao/stored_text.h"
#include "dao/table_definition.h"

namespace tarvex::dao {

enum class SystemTable { kObjects, kAces, kQueries, kRelationships };

inline constexpr uint32_t kObjectsPage = 2;  // MSysObjects is always found at page 2

std::u16string SystemTableName(SystemTable table);

// The definition, in the layout and text format of `text`, without usage maps
// and index roots (the caller places them).
TableDefinition SystemTableDefinition(SystemTable table, const TextFormat& text);

// The position of the column `name` in `definition`, the system table
// `table`; throws when it has none. Files Access made need not number the
// columns of a system table as this engine does.
size_t SystemColumn(const TableDefinition& definition, SystemTable table, const char16_t* name);

// Column positions in MSysObjects and MSysACEs, as defined above.
namespace objects_column {
inline constexpr size_t kId = 0, kParentId = 1, kName = 2, kType = 3, kDateCreate = 4,
                        kDateUpdate = 5, kOwner = 6, kFlags = 7, kLvProp = 14;
}
namespace aces_column {
inline constexpr size_t kObjectId = 0, kSid = 1, kAcm = 2, kInheritable = 3;
}

}  // namespace tarvex::dao
