#pragma once
// The save job: runs one save of a recovered model on a worker thread and
// lets the interface stop it. Progress, captions and the log reach the
// interface through the job.
#include <filesystem>
#include <memory>
#include <thread>

#include "writer/access_save_repaired_file.h"

namespace tarvex::writer {

class CMTFileSave {
 public:
  // Runs saves that report to `job`, which outlives it.
  explicit CMTFileSave(model::Job& job, SaveSettings settings = {})
      : job_(job), settings_(std::move(settings)) {}
  CMTFileSave(const CMTFileSave&) = delete;
  CMTFileSave& operator=(const CMTFileSave&) = delete;
  // Stops a running save and waits for its worker.
  ~CMTFileSave();

  // The path the next save writes to, as DecideOutputPath gave it.
  void SetOutputPath(const std::filesystem::path& path) { outputPath_ = path; }
  const std::filesystem::path& outputPath() const { return outputPath_; }

  // Raises the job's run flag and starts a save of `data` on a worker thread, which lowers it
  // when it ends; returns at once. A previous save's worker is waited for and its writer deleted.
  void StartSave(model::CAccessData& data);
  // Lowers the job's run flag and waits until the worker has ended.
  void StopSave();
  // Waits for the worker of the last StartSave to end.
  void Wait();

  // The writer of the last save, null before the first. Read only while no save runs.
  const CAccessSaveRepairedFile* writer() const { return writer_.get(); }

 private:
  void SaveThreadProc();

  model::Job& job_;
  SaveSettings settings_;
  std::unique_ptr<CAccessSaveRepairedFile> writer_;
  std::filesystem::path outputPath_;
  std::thread worker_;
};

}  // namespace tarvex::writer
