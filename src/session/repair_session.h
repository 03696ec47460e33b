#pragma once
// The repair of a damaged file and the saves of what it recovered, as the
// command line and the window both run them: each step on a worker thread,
// reporting through one job that the front end reads while it waits, and
// stopped through that job's run flag.
#include <filesystem>
#include <optional>
#include <string>

#include "engine/repair_file_manager.h"
#include "model/job.h"
#include "writer/mt_file_save.h"

namespace tarvex::session {

struct RepairRequest {
  std::filesystem::path damagedFile;
  std::optional<std::filesystem::path> templateFile;  // given: Template Mode
};

// Why a repair cannot start: an input file that cannot be repaired, or no working folder
// (then `file` is empty).
struct StartRefusal {
  std::filesystem::path file;
  std::string reason;
};

class RepairSession {
 public:
  explicit RepairSession(engine::ScanSettings scan = {}, writer::SaveSettings save = {});
  RepairSession(const RepairSession&) = delete;
  RepairSession& operator=(const RepairSession&) = delete;
  // Stops a running step and waits for it.
  ~RepairSession();

  model::Job& job() { return job_; }
  const model::Job& job() const { return job_; }

  // Why the repair of `request` cannot start (an input file, the working folder, a step that
  // runs), or nothing when it can.
  std::optional<StartRefusal> CheckRepair(const RepairRequest& request) const;
  // Checks as CheckRepair, then starts the repair on a worker, which drops the last result
  // first. Nothing starts when a refusal is returned.
  std::optional<StartRefusal> StartRepair(const RepairRequest& request);
  // Starts the save of the last repair's model at `output`; false when there is no model, the
  // repair recovered no table or a step runs.
  bool StartSave(const std::filesystem::path& output);

  // True while a repair or a save runs.
  bool Running() const { return job_.Running(); }
  // Asks the running step to stop; it ends at its next test of the job's run flag.
  void RequestStop() { job_.Stop(); }
  // Asks the running step to stop and waits until it has ended.
  void Stop();
  // Waits until the running step's worker has ended.
  void Wait();

  // The model of the last repair that ran to its end, or null. Read only while nothing runs.
  model::CAccessData* model() const;
  // Why the last repair that ran to its end failed all the same (it recovered no table), or the
  // empty text; nothing is then to be saved. Read only while nothing runs.
  std::string Failure() const;
  // The writer of the last save, or null before the first. Read only while nothing runs.
  const writer::CAccessSaveRepairedFile* writer() const { return save_.writer(); }
  // Whether the last save put its database in place.
  bool Saved() const;

 private:
  model::Job job_;
  engine::CMTRepairFileManager repair_;
  writer::CMTFileSave save_;
};

}  // namespace tarvex::session
