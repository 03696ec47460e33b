#pragma once
// Step 2: gives every data page of the data file to the table that owns it.
#include "engine/definition_scan.h"

namespace tarvex::engine {

bool ScanDataPages(const ScanContext& context, model::CAccessData& model);

}  // namespace tarvex::engine
