#pragma once
// The repair job: the paths and mode of one repair, the worker thread that
// runs it, and the result of the last repair that ran to its end.
#include <filesystem>
#include <memory>
#include <thread>

#include "engine/access_repair.h"

namespace tarvex::engine {

class CRepairModeStatus {
 public:
  static constexpr int kTemplateMode = 1;
  void Set(int mode) { mode_.store(mode); }
  int Get() const { return mode_.load(); }
  bool IsTemplateMode() const { return Get() == kTemplateMode; }

 private:
  std::atomic<int> mode_{0};
};

class CMTRepairFileManager {
 public:
  // Runs repairs that report to `job`, which outlives the manager.
  explicit CMTRepairFileManager(model::Job& job, ScanSettings settings = {})
      : job_(job), settings_(std::move(settings)) {}
  CMTRepairFileManager(const CMTRepairFileManager&) = delete;
  CMTRepairFileManager& operator=(const CMTRepairFileManager&) = delete;
  // Stops a running repair and waits for its worker.
  ~CMTRepairFileManager();

  void SetDataFilePath(const std::filesystem::path& path) { dataFile_ = path; }
  void SetTemplatePath(const std::filesystem::path& path) { templateFile_ = path; }
  CRepairModeStatus& mode() { return mode_; }

  // Raises the job's run flag and starts the worker, which lowers it when it ends. A previous
  // worker is waited for first.
  void StartRepair();
  // Lowers the job's run flag and waits until the worker has ended.
  void StopRepair();
  // Waits for the worker of the last StartRepair to end.
  void Wait();

  // Runs one repair on the calling thread; true when it ran to its end (its result is kept).
  bool RunRepairJob();

  // The last repair that ran to its end, or null. Read only while no repair runs.
  const CAccessRepair* lastResult() const { return lastResult_.get(); }

 private:
  void WorkerBody();

  model::Job& job_;
  ScanSettings settings_;
  CRepairModeStatus mode_;
  std::unique_ptr<CAccessRepair> lastResult_;
  std::filesystem::path dataFile_;
  std::filesystem::path templateFile_;
  std::thread worker_;
};

}  // namespace tarvex::engine
