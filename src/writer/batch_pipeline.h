#pragma once
// Fills row batches on a thread of its own, one batch ahead of the caller
// that stores them. Where the system gives no thread, the caller's own thread
// fills each batch when it asks for it.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "writer/row_batches.h"

namespace tarvex::writer {

class CBatchPipeline {
 public:
  // `fill` fills a batch and returns false when nothing was left to put in it.
  explicit CBatchPipeline(std::function<bool(RowBatch&)> fill);
  ~CBatchPipeline();
  CBatchPipeline(const CBatchPipeline&) = delete;
  CBatchPipeline& operator=(const CBatchPipeline&) = delete;

  // The next filled batch; nullptr when the rows are done or the pipeline
  // was stopped. The batch returned before goes back to be filled again.
  const RowBatch* Next();
  // Stops the filling and waits for it: after this, `fill` is not running.
  void Stop();

 private:
  void Run();

  std::function<bool(RowBatch&)> fill_;
  RowBatch batches_[2];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<int> free_{0, 1};  // batches waiting to be filled
  std::deque<int> filled_;      // batches waiting for the caller
  int held_ = -1;               // the batch the caller holds
  bool finished_ = false;       // `fill` found nothing more
  bool stopped_ = false;
  std::thread worker_;
};

}  // namespace tarvex::writer
