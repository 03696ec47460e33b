#pragma once
// The page scanner: the operations a repair calls, in a fixed order, to fill
// the recovered model from a damaged file. The Jet 3 and Jet 4 scanners differ
// only in the page layout they read with.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "engine/page_heads.h"
#include "format/jet_layout.h"
#include "model/access_data.h"
#include "model/job.h"

namespace tarvex::engine {

class CAccessProcessFile;

struct ScanSettings {
  // Pause after a step has shown a full progress bar (the window wants it; the command line does
  // not).
  std::chrono::milliseconds stepPause{1000};
  // Makes the scanner for a layout (true: Jet 4); empty for the standard scanners.
  std::function<std::unique_ptr<CAccessProcessFile>(bool jet4)> makeScanner;

  // For the command line and tests: no pause.
  static ScanSettings WithoutPause() {
    ScanSettings settings;
    settings.stepPause = std::chrono::milliseconds(0);
    return settings;
  }
};

class CAccessProcessFile {
 public:
  virtual ~CAccessProcessFile() = default;

  // Every operation tests the job's run flag at its start and at least once
  // per page or row, and returns at once when it is low.
  virtual bool PostProcessComplexColumns(model::CAccessData&) { return true; }
  virtual bool RemoveContinuationDefinitions(model::CAccessData&) { return true; }
  virtual void SetDefinitionFile(const std::filesystem::path& path) { definitionFile_ = path; }
  virtual bool RecoverTableNames(model::CAccessData&) { return true; }
  virtual bool ExtractRecords(model::CAccessData&) { return true; }
  virtual bool ParseTableDefinitions(model::CAccessData&) { return true; }
  virtual bool SortColumns(model::CAccessData&) { return true; }
  virtual bool ScanDataPages(model::CAccessData&) { return true; }
  virtual bool ScanTableDefinitions(model::CAccessData&) { return true; }
  virtual void SetDataFile(const std::filesystem::path& path) { dataFile_ = path; }

  // The job the operations report to and test for a stop; it outlives the scanner. Set before
  // any operation runs.
  void SetJob(model::Job& job, const ScanSettings& settings) {
    job_ = &job;
    settings_ = settings;
  }
  const std::filesystem::path& definitionFile() const { return definitionFile_; }
  const std::filesystem::path& dataFile() const { return dataFile_; }

 protected:
  std::filesystem::path definitionFile_;
  std::filesystem::path dataFile_;
  model::Job* job_ = nullptr;
  ScanSettings settings_;
};

// The scanner for one page layout: the steps are the same code for both,
// reading their constants from the layout.
class CAccessProcessFileLayout : public CAccessProcessFile {
 public:
  explicit CAccessProcessFileLayout(const format::JetLayout& layout) : layout_(layout) {}
  const format::JetLayout& layout() const { return layout_; }

  bool RemoveContinuationDefinitions(model::CAccessData& model) override;
  bool RecoverTableNames(model::CAccessData& model) override;
  bool ExtractRecords(model::CAccessData& model) override;
  bool ParseTableDefinitions(model::CAccessData& model) override;
  bool SortColumns(model::CAccessData& model) override;
  bool ScanDataPages(model::CAccessData& model) override;
  bool ScanTableDefinitions(model::CAccessData& model) override;

 protected:
  const format::JetLayout& layout_;

 private:
  PageHeads pageHeads_;  // from step 1 to step 2
};

class CAccessProcessFileJet3 : public CAccessProcessFileLayout {
 public:
  CAccessProcessFileJet3() : CAccessProcessFileLayout(format::kJet3Layout) {}
};

class CAccessProcessFileJet4 : public CAccessProcessFileLayout {
 public:
  CAccessProcessFileJet4() : CAccessProcessFileLayout(format::kJet4Layout) {}
  // Gives complex columns the MSysComplexColumns rows that describe them.
  bool PostProcessComplexColumns(model::CAccessData& model) override;
};

}  // namespace tarvex::engine
