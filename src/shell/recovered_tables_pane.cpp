#include "shell/recovered_tables_pane.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/table_summary.h"
#include "shell/preview_rows_model.h"

namespace tarvex::shell {
namespace {

QGroupBox* Boxed(const QString& title, QWidget* content) {
  auto* box = new QGroupBox(title);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(content);
  return box;
}

}  // namespace

RecoveredTablesPane::RecoveredTablesPane(QWidget* parent)
    : QWidget(parent),
      tree_(new QTreeWidget),
      tableList_(new QListWidget),
      summary_(new QLabel),
      rows_(new QTableView) {
  tree_->setHeaderHidden(true);
  summary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setWordWrap(true);
  rows_->horizontalHeader()->setDefaultSectionSize(100);
  rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
  rows_->setWordWrap(false);

  auto* left = new QSplitter(Qt::Vertical);
  left->addWidget(Boxed(QStringLiteral("Tables"), tableList_));
  left->addWidget(tree_);
  auto* summaryBox = Boxed(QStringLiteral("Table Name Description"), summary_);
  rowsBox_ = Boxed(QStringLiteral("Records in table : "), rows_);
  auto* right = new QSplitter(Qt::Vertical);
  right->addWidget(summaryBox);
  right->addWidget(rowsBox_);
  right->setStretchFactor(1, 3);
  auto* both = new QSplitter(Qt::Horizontal);
  both->addWidget(left);
  both->addWidget(right);
  both->setStretchFactor(1, 3);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(both);

  connect(tableList_, &QListWidget::currentRowChanged, this, &RecoveredTablesPane::ShowTable);
  connect(tree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { ShowTreeSelection(item); });
}

void RecoveredTablesPane::Fill(const model::CAccessData& data) {
  Clear();
  data_ = &data;
  const model::TableSummary summary = model::SummariseTables(data);
  tables_ = summary.visibleTables;
  storedSummary_ = summary.summary;
  auto* root = new QTreeWidgetItem(tree_, {QString::fromStdU16String(model::kRecoveredTablesRoot)});
  const QSignalBlocker quietList(tableList_);
  for (const auto* table : tables_) {
    const QString name = QString::fromStdU16String(table->name);
    tableList_->addItem(name);
    new QTreeWidgetItem(root, {name});
  }
  root->setExpanded(true);
  summary_->setText(QString::fromStdU16String(
      tables_.empty() ? storedSummary_ : model::TableDetailText(*tables_.front())));
  if (!tables_.empty()) {
    tableList_->setCurrentRow(0);
    ShowTable(0);
  }
}

void RecoveredTablesPane::Clear() {
  SetRowsModel(nullptr);
  const QSignalBlocker quietList(tableList_);
  const QSignalBlocker quietTree(tree_);
  tableList_->clear();
  tree_->clear();
  summary_->clear();
  rowsBox_->setTitle(QStringLiteral("Records in table : "));
  tables_.clear();
  storedSummary_.clear();
  data_ = nullptr;
}

void RecoveredTablesPane::StopPreview() {
  if (rowsModel_) rowsModel_->Stop();
}

void RecoveredTablesPane::ShowTable(int row) {
  if (row < 0 || row >= static_cast<int>(tables_.size())) return;
  const model::CAccessTable& table = *tables_[static_cast<size_t>(row)];
  rowsBox_->setTitle(QStringLiteral("Records in table : ") + QString::fromStdU16String(table.name));
  summary_->setText(QString::fromStdU16String(model::TableDetailText(table)));
  auto* rowsModel = new PreviewRowsModel(table, this);
  SetRowsModel(rowsModel);
  rowsModel->fetchMore({});
}

void RecoveredTablesPane::ShowTreeSelection(QTreeWidgetItem* item) {
  if (!item || !data_) return;
  const std::u16string text = item->text(0).toStdU16String();
  if (const auto shown = model::SelectionText(*data_, text, storedSummary_))
    summary_->setText(QString::fromStdU16String(*shown));
  // A table chosen in the tree is chosen in the list too, which shows its rows.
  const int index = item->parent() ? item->parent()->indexOfChild(item) : -1;
  if (index >= 0) tableList_->setCurrentRow(index);
}

void RecoveredTablesPane::SetRowsModel(PreviewRowsModel* rowsModel) {
  PreviewRowsModel* old = rowsModel_;
  rowsModel_ = rowsModel;
  rows_->setModel(rowsModel);
  delete old;
}

}  // namespace tarvex::shell
