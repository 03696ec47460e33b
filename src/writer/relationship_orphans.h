#pragma once
// Rows that break an enforced relationship: a referencing row whose key,
// complete, matches no row of the referenced table. Such rows are saved as
// recovered, so the report counts them for the user to mend.
#include <cstdint>

#include "dao/database.h"
#include "model/access_data.h"

namespace tarvex::writer {

// Counts the orphan rows of `relation` (tables and fields as recovered) in
// the recovered rows of `data`; 0 when either table or a field is missing.
uint64_t CountOrphanRows(const model::CAccessData& data, const dao::RelationInfo& relation);

}  // namespace tarvex::writer
