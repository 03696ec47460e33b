#include "writer/batch_pipeline.h"

#include <system_error>

namespace tarvex::writer {

namespace {
constexpr int kWorkers = 2;
// Workers read no further while the batches read and not yet stored hold this many text units.
constexpr size_t kUnitsAhead = size_t{1} << 21;
}  // namespace

CBatchPipeline::CBatchPipeline(std::function<bool(RowBatch&)> read,
                               std::function<void(RowBatch&)> prepare)
    : read_(std::move(read)), prepare_(std::move(prepare)) {
  for (int i = 0; i < kBatches; ++i) free_.push_back(i);
  std::lock_guard lock(mutex_);  // held until every worker that starts is counted
  for (int i = 0; i < kWorkers; ++i) {
    try {
      workers_.emplace_back([this] { Work(); });
      ++working_;
    } catch (const std::system_error&) {
      break;  // no thread to give: fewer workers, or the caller's thread
    }
  }
}

CBatchPipeline::~CBatchPipeline() { Stop(); }

void CBatchPipeline::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
  for (auto& worker : workers_)
    if (worker.joinable()) worker.join();
}

void CBatchPipeline::Work() {
  for (;;) {
    int index = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopped_ || readToEnd_ || !free_.empty(); });
      if (stopped_ || readToEnd_) break;
      index = free_.back();
      free_.pop_back();
    }
    uint64_t place = 0;
    {
      std::lock_guard reading(readMutex_);
      {
        // Texts read ahead are bounded, so that a run of huge memos is not held several at once.
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || readToEnd_ || unitsAhead_ < kUnitsAhead; });
        if (stopped_ || readToEnd_) {
          free_.push_back(index);
          break;
        }
      }
      const bool filled = read_(batches_[index]);
      std::lock_guard lock(mutex_);
      if (!filled) {
        readToEnd_ = true;
        free_.push_back(index);
        break;
      }
      unitsAhead_ += batches_[index].textUnits;
      place = batchesRead_++;
    }
    prepare_(batches_[index]);
    {
      std::lock_guard lock(mutex_);
      ready_.emplace(place, index);
    }
    changed_.notify_all();
  }
  {
    std::lock_guard lock(mutex_);
    --working_;
  }
  changed_.notify_all();
}

RowBatch* CBatchPipeline::Next() {
  std::unique_lock lock(mutex_);
  if (workers_.empty()) {
    if (stopped_ || readToEnd_ || !read_(batches_[0])) {
      readToEnd_ = true;
      return nullptr;
    }
    prepare_(batches_[0]);
    return &batches_[0];
  }
  if (held_ >= 0) {
    unitsAhead_ -= batches_[held_].textUnits;
    free_.push_back(held_);
    held_ = -1;
    changed_.notify_all();
  }
  // Done when every batch read has been taken and no worker can read another.
  changed_.wait(lock, [this] {
    return stopped_ || ready_.contains(nextBatch_) || (working_ == 0 && nextBatch_ == batchesRead_);
  });
  auto found = ready_.find(nextBatch_);
  if (stopped_ || found == ready_.end()) return nullptr;
  held_ = found->second;
  ready_.erase(found);
  ++nextBatch_;
  return &batches_[held_];
}

}  // namespace tarvex::writer
