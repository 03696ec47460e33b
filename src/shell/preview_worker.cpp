#include "shell/preview_worker.h"

#include "model/table_preview.h"

namespace tarvex::shell {

PreviewWorker::PreviewWorker(const model::CAccessTable& table, int batchSize, Deliver deliver)
    : table_(table), batchSize_(batchSize), deliver_(std::move(deliver)) {
  thread_ = std::thread([this] { Run(); });
}

PreviewWorker::~PreviewWorker() {
  {
    std::lock_guard guard(lock_);
    stop_.store(true);
  }
  wake_.notify_one();
  thread_.join();
}

void PreviewWorker::RequestBatch() {
  {
    std::lock_guard guard(lock_);
    ++batchesWanted_;
  }
  wake_.notify_one();
}

bool PreviewWorker::WaitForRequest() {
  std::unique_lock guard(lock_);
  wake_.wait(guard, [this] { return batchesWanted_ > 0 || stop_.load(); });
  if (stop_.load()) return false;
  --batchesWanted_;
  return true;
}

void PreviewWorker::Run() {
  model::CTablePreviewReader reader(table_);
  const bool opened = reader.Open();
  const auto stopRequested = [this] { return stop_.load(); };
  model::TablePreviewRow row;
  bool finished = !opened;
  while (WaitForRequest()) {
    std::vector<QStringList> rows;
    while (!finished && static_cast<int>(rows.size()) < batchSize_) {
      if (!reader.NextRow(row, stopRequested)) break;
      QStringList cells;
      cells.reserve(static_cast<qsizetype>(row.cells.size()));
      for (const auto& cell : row.cells) cells << QString::fromStdU16String(cell);
      rows.push_back(std::move(cells));
    }
    finished = finished || reader.Finished();
    if (stop_.load()) return;
    deliver_(std::move(rows), finished);
    if (finished) return;
  }
}

}  // namespace tarvex::shell
