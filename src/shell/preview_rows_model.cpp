#include "shell/preview_rows_model.h"

#include "model/table_preview.h"

namespace tarvex::shell {

PreviewRowsModel::PreviewRowsModel(const model::CAccessTable& table, QObject* parent, int batchSize)
    : QAbstractTableModel(parent) {
  for (const auto& name : model::PreviewHeader(table)) header_ << QString::fromStdU16String(name);
  worker_ = std::make_unique<PreviewWorker>(
      table, batchSize, [this](std::vector<QStringList> rows, bool finished) {
        // Queued to this object: a model deleted meanwhile drops the batch with its events.
        QMetaObject::invokeMethod(
            this,
            [this, rows = std::move(rows), finished]() mutable {
              AddBatch(std::move(rows), finished);
            },
            Qt::QueuedConnection);
      });
}

PreviewRowsModel::~PreviewRowsModel() { worker_.reset(); }

void PreviewRowsModel::Stop() {
  worker_.reset();
  finished_ = true;
}

int PreviewRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PreviewRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(header_.size());
}

QVariant PreviewRowsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const auto row = static_cast<size_t>(index.row());
  if (row >= rows_.size() || index.column() >= rows_[row].size()) return {};
  return rows_[row][index.column()];
}

QVariant PreviewRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return section < header_.size() ? QVariant(header_[section]) : QVariant();
}

bool PreviewRowsModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !finished_ && !waiting_;
}

void PreviewRowsModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  if (!worker_) return;
  waiting_ = true;
  worker_->RequestBatch();
}

void PreviewRowsModel::AddBatch(std::vector<QStringList> rows, bool finished) {
  waiting_ = false;
  finished_ = finished_ || finished;
  if (!rows.empty()) {
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (auto& row : rows) rows_.push_back(std::move(row));
    endInsertRows();
  }
  emit batchArrived();
}

}  // namespace tarvex::shell
