#pragma once
// The machine-readable report of a repair: per table the rows recovered and
// written, the values refused per column, the fields and indexes not created;
// the relationships and queries written and skipped; the output path.
#include <nlohmann/json.hpp>

#include "writer/save_report.h"

namespace tarvex::cli {

nlohmann::ordered_json SaveReportJson(const writer::SaveReport& report);

}  // namespace tarvex::cli
