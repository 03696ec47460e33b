#pragma once
// Reads and prepares row batches ahead of the caller that stores them. Two
// workers take turns: each reads the next batch (reading is in order, one at
// a time) and prepares it while the other reads; the caller gets the batches
// in the order they were read. Where the system gives no thread, the caller's
// own thread reads and prepares each batch when it asks for it.
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "writer/row_batches.h"

namespace tarvex::writer {

class CBatchPipeline {
 public:
  // `read` fills a batch and returns false when nothing was left to put in
  // it; `prepare` may run on several batches at once.
  CBatchPipeline(std::function<bool(RowBatch&)> read, std::function<void(RowBatch&)> prepare);
  ~CBatchPipeline();
  CBatchPipeline(const CBatchPipeline&) = delete;
  CBatchPipeline& operator=(const CBatchPipeline&) = delete;

  // The next batch; nullptr when the rows are done or the pipeline was
  // stopped. The batch returned before goes back to be filled again.
  RowBatch* Next();
  // Stops the workers and waits for them: after this, neither `read` nor
  // `prepare` is running.
  void Stop();

 private:
  void Work();

  // Enough that a worker slow on one batch (long memos) does not hold the other up for want of
  // a batch to fill while the caller waits for that one.
  static constexpr int kBatches = 8;
  std::function<bool(RowBatch&)> read_;
  std::function<void(RowBatch&)> prepare_;
  RowBatch batches_[kBatches];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::mutex readMutex_;           // one reader at a time, in order
  std::vector<int> free_;          // batches waiting to be filled
  std::map<uint64_t, int> ready_;  // prepared batches by their place in the reading order
  uint64_t batchesRead_ = 0;       // batches given their place so far
  uint64_t nextBatch_ = 0;         // the place of the batch the caller takes next
  size_t unitsAhead_ = 0;          // text units of the batches read and not yet given back
  int held_ = -1;                  // the batch the caller holds
  bool readToEnd_ = false;         // `read` found nothing more
  int working_ = 0;                // workers that have not ended
  bool stopped_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace tarvex::writer
