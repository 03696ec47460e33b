#pragma once
// The small process-wide objects through which job workers report to the
// interface thread and through which it asks them to stop. Every value is
// guarded on its own; no code holds two of them at once.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace tarvex::engine {

class CRepairingFileStatus {
 public:
  bool IsRepairing() const { return repairing_.load(); }
  void Set(bool repairing) { repairing_.store(repairing); }

 private:
  std::atomic<bool> repairing_{false};
};

class CProgressStatus {
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

 private:
  std::atomic<int> maximum_{1};
  std::atomic<int> position_{0};
};

class CStatusProgress {
 public:
  void SetCaption(const std::u16string& caption) {
    std::lock_guard guard(lock_);
    caption_ = caption;
  }
  std::u16string Caption() const {
    std::lock_guard guard(lock_);
    return caption_;
  }

 private:
  mutable std::mutex lock_;
  std::u16string caption_;
};

class CRepairThreadCounter {
 public:
  void Increment() { count_.fetch_add(1); }
  void Decrement() { count_.fetch_sub(1); }
  int Read() const { return count_.load(); }

 private:
  std::atomic<int> count_{0};
};

class CSavingStatus {
 public:
  bool IsSaving() const { return saving_.load(); }
  void SetSaving(bool saving) { saving_.store(saving); }
  bool StepBack() const { return stepBack_.load(); }
  void SetStepBack(bool stepBack) { stepBack_.store(stepBack); }

 private:
  std::atomic<bool> saving_{false};
  std::atomic<bool> stepBack_{false};
};

// The process-wide instance of each of them, each on a cache line of its own: workers read
// some of them per row while others count their progress.
template <typename Status>
Status& Instance() {
  alignas(64) static Status status;
  return status;
}
inline CRepairingFileStatus& RepairingFileStatus() { return Instance<CRepairingFileStatus>(); }
inline CProgressStatus& ProgressStatus() { return Instance<CProgressStatus>(); }
inline CStatusProgress& StatusProgress() { return Instance<CStatusProgress>(); }
inline CRepairThreadCounter& RepairThreadCounter() { return Instance<CRepairThreadCounter>(); }
inline CSavingStatus& SavingStatus() { return Instance<CSavingStatus>(); }

}  // namespace tarvex::engine
