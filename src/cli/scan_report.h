#pragma once
// The machine-readable report of a scan: every recovered table with its
// columns, indexes, row count and the data pages found for it.
#include <nlohmann/json.hpp>

#include "model/access_data.h"

namespace tarvex::cli {

nlohmann::ordered_json ScanReport(const model::CAccessData& model);

}  // namespace tarvex::cli
