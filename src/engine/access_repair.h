#pragma once
// One repair: picks the scanner by the file's layout and runs its steps in
// their fixed order into a fresh model.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/process_file.h"
#include "model/access_data.h"
#include "model/job.h"

namespace tarvex::engine {

class CAccessRepair {
 public:
  // Reports to `job`, which outlives the repair.
  explicit CAccessRepair(model::Job& job, ScanSettings settings = {})
      : job_(job), settings_(std::move(settings)) {}

  // Scans `dataPath` (rows) with definitions from `definitionPath` (the same
  // file, or a healthy template), and tells the job the layout it read with.
  // Keeps the model unless the job's run flag fell; a stop leaves no model.
  void Repair(const std::filesystem::path& dataPath, const std::filesystem::path& definitionPath);

  model::CAccessData* model() const { return model_.get(); }
  // Why the repair failed though it ran to its end: it recovered no table. Both front ends
  // report it and save nothing. Empty on success.
  const std::string& failure() const { return failure_; }

 private:
  model::Job& job_;
  std::string failure_;
  ScanSettings settings_;
  std::unique_ptr<model::CAccessData> model_;
  std::unique_ptr<CAccessProcessFile> scanner_;
};

// What a scan that ran to its end found of the file when it recovered no table: no
// row, nor (with `ownDefinitions`, the file's own and not a template's) a
// definition read or rebuilt; nothing when it recovered one.
std::optional<std::string> NoTableRecovered(const model::CAccessData& model, bool jet4,
                                            bool ownDefinitions);

}  // namespace tarvex::engine
