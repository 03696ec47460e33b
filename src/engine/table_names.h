#pragma once
// Step 4: names the tables from the catalogue rows of MSysObjects, collects
// the saved-query entries, and gives fixed or numbered names to the rest.
#include "engine/definition_scan.h"

namespace tarvex::engine {

bool RecoverTableNames(const ScanContext& context, model::CAccessData& model);

// The name of a known system table still unnamed, by its definition offset; empty for others.
std::u16string FixedSystemTableName(const format::JetLayout& layout, uint64_t tableDefOffset);

}  // namespace tarvex::engine
