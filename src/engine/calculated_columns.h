#pragma once
// Calculated columns (ACE) keep their results in the type their ResultType
// property names, which may differ from the type in the table's definition.
// Once the catalogue's rows have given every table its properties, those of a
// calculated column give its result type, and tables whose types change are cut again.
#include "engine/definition_scan.h"

namespace tarvex::engine {

// False when a stop was requested.
bool ApplyCalculatedResultTypes(const ScanContext& context, model::CAccessData& model);

}  // namespace tarvex::engine
