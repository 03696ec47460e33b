#pragma once
// The preview worker: reads one table's rows from its data file on a thread of
// its own, one batch each time it is asked, so that the window never waits on
// the disk and never reads more of a table than it shows.
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "model/access_table.h"

namespace tarvex::shell {

class PreviewWorker {
 public:
  // Called on the worker thread with each batch read; `finished` once no row follows.
  using Deliver = std::function<void(std::vector<QStringList> rows, bool finished)>;

  // The table must outlive the worker.
  PreviewWorker(const model::CAccessTable& table, int batchSize, Deliver deliver);
  PreviewWorker(const PreviewWorker&) = delete;
  PreviewWorker& operator=(const PreviewWorker&) = delete;
  // Stops the worker and waits for it.
  ~PreviewWorker();

  // Asks for the next batch of rows.
  void RequestBatch();

 private:
  void Run();
  // Waits until a batch is asked for; false when the worker is to stop.
  bool WaitForRequest();

  const model::CAccessTable& table_;
  const int batchSize_;
  Deliver deliver_;
  std::mutex lock_;
  std::condition_variable wake_;
  int batchesWanted_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tarvex::shell
