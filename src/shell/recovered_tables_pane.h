#pragma once
// The preview page: the tree "Recovered Tables", the table list, the summary
// and the rows of the selected table.
#include <QWidget>
#include <vector>

#include "model/access_data.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvex::shell {

class PreviewRowsModel;

class RecoveredTablesPane : public QWidget {
  Q_OBJECT

 public:
  explicit RecoveredTablesPane(QWidget* parent = nullptr);

  // Lists the visible tables of `data`, which must outlive the pane's use of
  // it (until Clear), and previews the first.
  void Fill(const model::CAccessData& data);
  // Stops the preview and forgets the model.
  void Clear();
  // Stops the preview worker, keeping the rows shown so far.
  void StopPreview();

  QListWidget* tableList() const { return tableList_; }
  QTreeWidget* tree() const { return tree_; }
  QLabel* summary() const { return summary_; }
  QTableView* rows() const { return rows_; }
  // The rows of the selected table, or null.
  PreviewRowsModel* rowsModel() const { return rowsModel_; }

 private:
  void ShowTable(int row);
  void ShowTreeSelection(QTreeWidgetItem* item);
  void SetRowsModel(PreviewRowsModel* rowsModel);

  QTreeWidget* tree_;
  QListWidget* tableList_;
  QLabel* summary_;
  QGroupBox* rowsBox_;
  QTableView* rows_;
  PreviewRowsModel* rowsModel_ = nullptr;
  const model::CAccessData* data_ = nullptr;
  std::vector<const model::CAccessTable*> tables_;  // the visible tables, in list order
  std::u16string storedSummary_;                    // what the tree's root shows
};

}  // namespace tarvex::shell
