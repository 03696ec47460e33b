#include "writer/batch_pipeline.h"

#include <system_error>

namespace tarvex::writer {

CBatchPipeline::CBatchPipeline(std::function<bool(RowBatch&)> fill) : fill_(std::move(fill)) {
  try {
    worker_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No thread to give: Next fills on the caller's thread.
  }
}

CBatchPipeline::~CBatchPipeline() { Stop(); }

void CBatchPipeline::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void CBatchPipeline::Run() {
  for (;;) {
    int index = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopped_ || !free_.empty(); });
      if (stopped_) return;
      index = free_.front();
      free_.pop_front();
    }
    const bool filled = fill_(batches_[index]);
    {
      std::lock_guard lock(mutex_);
      if (filled)
        filled_.push_back(index);
      else
        finished_ = true;
    }
    changed_.notify_all();
    if (!filled) return;
  }
}

const RowBatch* CBatchPipeline::Next() {
  if (!worker_.joinable()) {
    if (stopped_ || finished_ || !fill_(batches_[0])) {
      finished_ = true;
      return nullptr;
    }
    return &batches_[0];
  }
  std::unique_lock lock(mutex_);
  if (held_ >= 0) {
    free_.push_back(held_);
    held_ = -1;
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return stopped_ || finished_ || !filled_.empty(); });
  if (stopped_ || filled_.empty()) return nullptr;
  held_ = filled_.front();
  filled_.pop_front();
  return &batches_[held_];
}

}  // namespace tarvex::writer
