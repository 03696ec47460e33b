#pragma once
// The machine-readable report of a scan: every recovered table with its
// columns, indexes, row count, the data pages found for it and what was lost.
#include <nlohmann/json.hpp>

#include "model/access_data.h"

namespace tarvex::cli {

nlohmann::ordered_json ScanReport(const model::CAccessData& model);

// What the scan could not bring back of one table: rows skipped by reason and
// page, the table's unreadable pages, values read in part or not at all per column.
nlohmann::ordered_json LossReport(const model::TableLosses& losses);

}  // namespace tarvex::cli
