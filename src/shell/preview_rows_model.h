#pragma once
// The rows of one recovered table as the preview list shows them. Rows are
// fetched as the list is scrolled to them: each fetch asks the preview worker
// for one more batch, which arrives on the interface thread.
#include <QAbstractTableModel>
#include <QStringList>
#include <memory>
#include <vector>

#include "model/access_table.h"
#include "shell/preview_worker.h"

namespace tarvex::shell {

class PreviewRowsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kDefaultBatchSize = 200;

  // The table must outlive the model.
  PreviewRowsModel(const model::CAccessTable& table, QObject* parent,
                   int batchSize = kDefaultBatchSize);
  // Stops the worker before the rows go.
  ~PreviewRowsModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // Stops the worker; the rows shown so far stay, and no more are fetched.
  void Stop();

  // True once every row of the table has arrived, or the worker was stopped.
  bool finished() const { return finished_; }

 signals:
  void batchArrived();

 private:
  void AddBatch(std::vector<QStringList> rows, bool finished);

  QStringList header_;
  std::vector<QStringList> rows_;
  bool finished_ = false;
  bool waiting_ = false;  // a batch was asked for and has not arrived
  std::unique_ptr<PreviewWorker> worker_;
};

}  // namespace tarvex::shell
