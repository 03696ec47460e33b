#pragma once
// One job: the repair of a damaged file and the saves of what it recovered.
// The front end makes it and hands it to the repair and the save, which report
// through it (progress, caption, log) while the front end reads it from another
// thread, and which end early when the front end lowers its run flag. Each
// value is guarded on its own; no code holds two of its locks at once.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "format/jet_layout.h"
#include "model/repair_log.h"

namespace tarvex::model {

// How far the running step is: a position out of a maximum.
class ProgressCounter {
 public:
  // A maximum of 0 or less is stored as 1, so that progress never divides by zero.
  void SetMaximum(int maximum) { maximum_.store(maximum <= 0 ? 1 : maximum); }
  int Maximum() const { return maximum_.load(); }
  void SetPosition(int position) { position_.store(position); }
  int Position() const { return position_.load(); }
  void Step(int count = 1) { position_.fetch_add(count); }
  // Starts a new count of `total` items, clamped to what the counter holds.
  void Restart(uint64_t total) {
    SetMaximum(static_cast<int>(std::min<uint64_t>(total, INT32_MAX)));
    SetPosition(0);
  }
  // Fills the bar.
  void Complete() { SetPosition(Maximum()); }

 private:
  std::atomic<int> maximum_{1};
  std::atomic<int> position_{0};
};

class Job {
 public:
  Job() = default;
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  // The run flag: raised when a repair or a save starts, lowered when it ends
  // or when the front end asks it to stop. Workers test it at least once per
  // page, row or object and return when it is low; a front end sees the job
  // end when it falls.
  void Start() { running_.store(true); }
  void Stop() { running_.store(false); }
  bool Running() const { return running_.load(std::memory_order_relaxed); }

  // Set when a save ended without a database for a reason other than a stop.
  void SetSaveFailed(bool failed) { saveFailed_.store(failed); }
  bool SaveFailed() const { return saveFailed_.load(); }

  ProgressCounter& progress() { return progress_; }
  const ProgressCounter& progress() const { return progress_; }

  // What the running step is doing, as the status line shows it.
  void SetCaption(std::u16string caption) {
    std::lock_guard guard(captionLock_);
    caption_ = std::move(caption);
  }
  std::u16string Caption() const {
    std::lock_guard guard(captionLock_);
    return caption_;
  }

  CRepairLog& log() { return log_; }
  const CRepairLog& log() const { return log_; }

  // The page layout the damaged file was read with; a save writes the same format.
  void SetSourceLayout(const format::JetLayout& layout) { sourceLayout_.store(&layout); }
  const format::JetLayout& sourceLayout() const { return *sourceLayout_.load(); }

 private:
  // Workers read the flag per row while they count their progress: on a cache line of its own.
  alignas(64) std::atomic<bool> running_{false};
  alignas(64) ProgressCounter progress_;
  std::atomic<bool> saveFailed_{false};
  std::atomic<const format::JetLayout*> sourceLayout_{&format::kJet4Layout};
  mutable std::mutex captionLock_;
  std::u16string caption_;
  CRepairLog log_;
};

}  // namespace tarvex::model
