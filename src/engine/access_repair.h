#pragma once
// One repair: picks the scanner by the file's layout and runs its steps in
// their fixed order into a fresh model.
#include <filesystem>
#include <memory>

#include "engine/process_file.h"
#include "model/access_data.h"

namespace tarvex::engine {

class CAccessRepair {
 public:
  explicit CAccessRepair(ScanSettings settings = {}) : settings_(settings) {}

  // Scans `dataPath` (rows) with definitions from `definitionPath` (the same
  // file, or a healthy template). Keeps the model when no stop was requested;
  // a stop leaves no model.
  void Repair(const std::filesystem::path& dataPath, const std::filesystem::path& definitionPath);

  model::CAccessData* model() const { return model_.get(); }

 private:
  ScanSettings settings_;
  std::unique_ptr<model::CAccessData> model_;
  std::unique_ptr<CAccessProcessFile> scanner_;
};

}  // namespace tarvex::engine
