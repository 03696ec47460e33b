#pragma once
// Runs a whole repair of one file on the calling thread, as the worker would.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/access_repair.h"
#include "model/job.h"

namespace tarvex::test {

// The job a scan reports to, made before the scan that holds it.
struct ScanJob {
  model::Job job;
};

// A repair run to its end, with its own job (which a save of its model then takes).
struct ScannedFile : ScanJob, engine::CAccessRepair {
  ScannedFile() : engine::CAccessRepair(job, engine::ScanSettings::WithoutPause()) {}
};

std::unique_ptr<ScannedFile> ScanFile(const std::filesystem::path& data,
                                      const std::filesystem::path& definitions = {});

// Every value of a table's data file, row by row: its text, or nothing for a null.
using ValueRow = std::vector<std::optional<std::u16string>>;
std::vector<ValueRow> ReadRows(const model::CAccessTable& table);

}  // namespace tarvex::test
