#include "shell/main_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/access_file_names.h"
#include "shell/dlg_settings.h"
#include "shell/output_path_dialog.h"
#include "shell/recent_files.h"
#include "shell/recovered_tables_pane.h"
#include "writer/save_summary.h"

namespace tarvex::shell {
namespace {

using Page = CShowPageState::Page;

const QString kIdlePrompt =
    QStringLiteral("Please click on repair button and select corrupted MS Access file.");
const QString kStopQuestion = QStringLiteral("Do you really want to stop current process?");

// Pages 2 and 4 share the log view: both show a running job.
int StackIndexOf(Page page) {
  switch (page) {
    case Page::kSaving:
      return Page::kRepairing;
    case Page::kDone:
      return Page::kSaving;
    default:
      return page;
  }
}

QLabel* Prompt(const QString& text) {
  auto* label = new QLabel(text);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  return label;
}

std::filesystem::path PathOf(const QString& text) {
  return std::filesystem::path(text.toStdString());
}

// The user's text for a file that is not there to be read, or the empty text.
QString WhyNotReadable(const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile() || !file.isReadable())
    return QStringLiteral("File '") + path +
           QStringLiteral("' does not exist or access is denied.");
  return {};
}

// The user's text for a repair the session refused to start.
QString RefusalText(const session::StartRefusal& refusal) {
  const QString reason = QString::fromStdString(refusal.reason);
  if (refusal.file.empty()) return reason.left(1).toUpper() + reason.mid(1) + QStringLiteral(".");
  return QString::fromStdString(refusal.file.string()) + QStringLiteral(": ") + reason;
}

}  // namespace

MainWindow::MainWindow(ShellOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      session_(options_.scan, options_.save),
      pages_(new QStackedWidget),
      selectedPath_(new QLabel),
      statusCaption_(new QLabel),
      tablesPane_(new RecoveredTablesPane) {
  if (!options_.prompts.askYesNo) options_.prompts = UserPrompts::Dialogs(this);
  setWindowTitle(QStringLiteral("Tarvex for Access"));
  resize(1000, 680);

  pages_->addWidget(MakeModePage());
  pages_->addWidget(MakeIdlePage());
  pages_->addWidget(MakeJobPage());
  pages_->addWidget(tablesPane_);
  pages_->addWidget(MakeDonePage());
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(selectedPath_);
  layout->addWidget(pages_, 1);
  setCentralWidget(central);
  selectedPath_->hide();

  MakeMenusAndToolbar();
  statusBar()->addWidget(statusCaption_, 1);
  statusBar()->addPermanentWidget(progress_);
  progress_->hide();

  repairTimer_.setInterval(options_.timerPeriod);
  saveTimer_.setInterval(options_.timerPeriod);
  connect(&repairTimer_, &QTimer::timeout, this, &MainWindow::OnRepairTimer);
  connect(&saveTimer_, &QTimer::timeout, this, &MainWindow::OnSaveTimer);
  SetPage(Page::kMode);
}

MainWindow::~MainWindow() {
  // The preview reads the model that the repair job owns: it goes first.
  tablesPane_->Clear();
  session_.Stop();
}

QWidget* MainWindow::MakeModePage() {
  auto* page = new QWidget;
  auto* standard = new QRadioButton(QStringLiteral("Standard Mode"));
  modeTemplate_ = new QRadioButton(QStringLiteral("Template Mode"));
  standard->setChecked(true);
  modeTemplatePath_ = new QLineEdit;
  auto* browse = new QPushButton(QStringLiteral("Browse..."));
  modeTemplateRow_ = new QWidget;
  auto* row = new QHBoxLayout(modeTemplateRow_);
  row->addWidget(new QLabel(QStringLiteral("Template file:")));
  row->addWidget(modeTemplatePath_, 1);
  row->addWidget(browse);
  modeTemplateRow_->hide();
  auto* start = new QPushButton(QStringLiteral("Start"));

  auto* layout = new QVBoxLayout(page);
  layout->addStretch();
  layout->addWidget(standard);
  layout->addWidget(
      new QLabel(QStringLiteral("This is default mode to repair corrupted MS Access file")));
  layout->addWidget(modeTemplate_);
  layout->addWidget(new QLabel(
      QStringLiteral("Select this mode if you have template file having same structure")));
  layout->addWidget(modeTemplateRow_);
  layout->addWidget(start, 0, Qt::AlignLeft);
  layout->addStretch();

  connect(modeTemplate_, &QRadioButton::toggled, modeTemplateRow_, &QWidget::setVisible);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen = options_.prompts.chooseFileToOpen(
        QStringLiteral("Select file having same structure as corrupted file..."),
        kAccessFilesFilter);
    if (!chosen.isEmpty() && IsAccessFileName(chosen)) modeTemplatePath_->setText(chosen);
  });
  connect(start, &QPushButton::clicked, this, &MainWindow::StartFromModePage);
  return page;
}

QWidget* MainWindow::MakeIdlePage() {
  auto* page = new QWidget;
  auto* start = new QPushButton(QStringLiteral("Start"));
  auto* layout = new QVBoxLayout(page);
  layout->addStretch();
  layout->addWidget(Prompt(kIdlePrompt));
  layout->addWidget(start, 0, Qt::AlignCenter);
  layout->addStretch();
  connect(start, &QPushButton::clicked, this, &MainWindow::Repair);
  return page;
}

QWidget* MainWindow::MakeJobPage() {
  log_ = new QPlainTextEdit;
  log_->setReadOnly(true);
  progress_ = new QProgressBar;
  progress_->setMinimumWidth(240);
  return log_;
}

QWidget* MainWindow::MakeDonePage() {
  auto* page = new QWidget;
  doneSummary_ = new QLabel;
  doneSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  doneSummary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(
      Prompt(QStringLiteral("The database has been repaired and saved successfully.")));
  layout->addWidget(doneSummary_, 1);
  return page;
}

void MainWindow::MakeMenusAndToolbar() {
  // The style's own images, so that the buttons look at home in the user's desktop theme.
  const auto image = [this](QStyle::StandardPixmap pixmap) {
    return style()->standardIcon(pixmap);
  };
  repairAction_ =
      new QAction(image(QStyle::SP_BrowserReload), QStringLiteral("    Repair  "), this);
  stopAction_ = new QAction(image(QStyle::SP_BrowserStop), QStringLiteral("    Stop    "), this);
  saveAction_ =
      new QAction(image(QStyle::SP_DialogSaveButton), QStringLiteral("    Save    "), this);
  connect(repairAction_, &QAction::triggered, this, &MainWindow::Repair);
  connect(stopAction_, &QAction::triggered, this, &MainWindow::Stop);
  connect(saveAction_, &QAction::triggered, this, &MainWindow::Save);

  auto* toolbar = addToolBar(QStringLiteral("Commands"));
  toolbar->setMovable(false);
  toolbar->setIconSize(QSize(32, 32));
  toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar->addActions({repairAction_, stopAction_, saveAction_});

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addActions({repairAction_, stopAction_, saveAction_});
  recentMenu_ = file->addMenu(QStringLiteral("Recent Files"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::ShowRecentFiles);
  file->addAction(QStringLiteral("Settings..."), this, &MainWindow::OpenSettings);
  file->addSeparator();
  file->addAction(QStringLiteral("Exit"), this, &QWidget::close);
}

void MainWindow::ShowRecentFiles() {
  recentMenu_->clear();
  for (const QString& path : RecentFiles::List()) {
    recentMenu_->addAction(path, this, [this, path] {
      if (CShowPageState::RepairAllowed(page())) StartRepair({path, {}, false});
    });
  }
}

void MainWindow::OpenSettings() {
  CDlgSettings dialog(filePrefix_, options_.prompts, this);
  if (dialog.exec() == QDialog::Accepted) filePrefix_ = dialog.prefix();
}

void MainWindow::SetPage(Page page) {
  page_.Set(page);
  pages_->setCurrentIndex(StackIndexOf(page));
  repairAction_->setEnabled(CShowPageState::RepairAllowed(page));
  stopAction_->setEnabled(CShowPageState::StopAllowed(page));
  saveAction_->setEnabled(CShowPageState::SaveAllowed(page));
  emit pageChanged(page);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (options_.startDialogAtFirstShow && page() == Page::kMode)
    QTimer::singleShot(0, this, &MainWindow::Repair);
}

void MainWindow::Repair() {
  if (!CShowPageState::RepairAllowed(page()) || startDialog_) return;
  tablesPane_->StopPreview();
  startDialog_ = new CStartRecoverDlg(options_.prompts, this);
  startDialog_->setAttribute(Qt::WA_DeleteOnClose);
  connect(startDialog_, &QDialog::finished, this, [this](int result) {
    const StartRequest request = startDialog_->Request();
    startDialog_ = nullptr;
    // Started once the dialog has gone, as a message posted to the window would be.
    if (result == QDialog::Accepted)
      QTimer::singleShot(0, this, [this, request] { StartRepair(request); });
  });
  startDialog_->open();
}

void MainWindow::StartFromModePage() {
  const QString chosen = options_.prompts.chooseFileToOpen(
      QStringLiteral("Select corrupted file to repair..."), kAccessFilesFilter);
  if (chosen.isEmpty() || !IsAccessFileName(chosen)) return;
  const bool templateMode = modeTemplate_->isChecked();
  if (templateMode && modeTemplatePath_->text().isEmpty()) {
    options_.prompts.tell(QStringLiteral("Please Select Template MS Access Database File."));
    return;
  }
  StartRepair({chosen, templateMode ? modeTemplatePath_->text() : QString(), templateMode});
}

bool MainWindow::StartRepair(const StartRequest& request) {
  if (session_.Running()) return false;
  QStringList inputs{request.damagedFile};
  if (request.templateMode) inputs << request.templateFile;
  session::RepairRequest repair{PathOf(request.damagedFile), std::nullopt};
  if (request.templateMode) repair.templateFile = PathOf(request.templateFile);
  QString problem;
  for (const QString& path : inputs)
    if (problem.isEmpty()) problem = WhyNotReadable(path);
  if (problem.isEmpty())
    if (const auto refusal = session_.CheckRepair(repair)) problem = RefusalText(*refusal);
  if (!problem.isEmpty()) {
    options_.prompts.tell(problem);
    SetPage(Page::kIdle);
    return false;
  }
  // The preview reads the model of the last repair, which the new one deletes.
  tablesPane_->Clear();
  damagedFile_ = repair.damagedFile;
  RecentFiles::Add(request.damagedFile);
  selectedPath_->setText(QStringLiteral("Selected database path : ") + request.damagedFile);
  selectedPath_->show();
  ClearJobDisplay();
  SetPage(Page::kRepairing);
  if (const auto refusal = session_.StartRepair(repair)) {
    options_.prompts.tell(RefusalText(*refusal));
    SetPage(Page::kIdle);
    return false;
  }
  repairTimer_.start();
  return true;
}

void MainWindow::Stop() {
  if (page() == Page::kRepairing)
    StopRepairSequence();
  else if (page() == Page::kSaving)
    StopSaveSequence();
}

bool MainWindow::StopRepairSequence() {
  if (!options_.prompts.askYesNo(kStopQuestion)) return false;
  statusCaption_->setText(QStringLiteral("Please wait..."));
  session_.Stop();
  repairTimer_.stop();
  tablesPane_->Clear();
  ClearJobDisplay();
  SetPage(Page::kIdle);
  options_.prompts.tell(QStringLiteral("Proccess stop by user."));
  return true;
}

bool MainWindow::StopSaveSequence() {
  if (!options_.prompts.askYesNo(kStopQuestion)) return false;
  statusCaption_->setText(QStringLiteral("Please wait..."));
  session_.Stop();
  OnSaveTimer();
  return true;
}

void MainWindow::OnRepairTimer() {
  ShowJobProgress();
  if (session_.Running()) return;
  repairTimer_.stop();
  session_.Wait();
  ShowJobProgress();
  ClearJobDisplay();
  const model::CAccessData* model = session_.model();
  if (!model) {
    SetPage(Page::kIdle);
    return;
  }
  if (const std::string failure = session_.Failure(); !failure.empty()) {
    SetPage(Page::kIdle);
    options_.prompts.tell(QString::fromStdString(damagedFile_.string()) + QStringLiteral(": ") +
                          QString::fromStdString(failure));
    return;
  }
  SetPage(Page::kPreview);
  tablesPane_->Fill(*model);
}

void MainWindow::Save() {
  if (!CShowPageState::SaveAllowed(page()) || !session_.model()) return;
  tablesPane_->StopPreview();
  if (page() == Page::kDone) SetPage(Page::kPreview);
  const std::filesystem::path output = ChooseOutputPath(options_.prompts, damagedFile_);
  if (output.empty()) return;
  log_->clear();
  logShown_ = 0;
  SetPage(Page::kSaving);
  session_.StartSave(output);
  saveTimer_.start();
}

void MainWindow::OnSaveTimer() {
  ShowJobProgress();
  if (session_.Running()) return;
  saveTimer_.stop();
  session_.Wait();
  ShowJobProgress();
  ClearJobDisplay();
  // A save that was stopped, or failed, wrote no database: that is no success.
  if (!session_.Saved()) {
    SetPage(CShowPageState::SteppedBack(page()));
    const writer::CAccessSaveRepairedFile* writer = session_.writer();
    if (writer && !writer->report().failure.empty())
      options_.prompts.tell(QString::fromStdString(writer->report().failure));
    return;
  }
  doneSummary_->setText(saveSummary());
  SetPage(Page::kDone);
}

QString MainWindow::saveSummary() const {
  const writer::CAccessSaveRepairedFile* writer = session_.writer();
  if (!writer || session_.Running()) return {};
  return QString::fromStdString(writer::SaveSummaryText(writer->report()));
}

void MainWindow::ShowJobProgress() {
  const model::Job& job = session_.job();
  const std::u16string text = job.log().Get();
  // The log only grows while a job runs; a shorter one was started anew.
  if (text.size() < logShown_) {
    log_->clear();
    logShown_ = 0;
  }
  if (text.size() > logShown_) {
    QString added = QString::fromStdU16String(text.substr(logShown_));
    if (logShown_ == 0 && added.startsWith(QStringLiteral("\r\n"))) added.remove(0, 2);
    added.remove(QLatin1Char('\r'));
    log_->moveCursor(QTextCursor::End);
    log_->insertPlainText(added);
    log_->moveCursor(QTextCursor::End);
    logShown_ = text.size();
  }
  const int maximum = job.progress().Maximum();
  progress_->setRange(0, maximum);
  progress_->setValue(std::clamp(job.progress().Position(), 0, maximum));
  progress_->show();
  statusCaption_->setText(QString::fromStdU16String(job.Caption()));
}

void MainWindow::ClearJobDisplay() {
  statusCaption_->clear();
  progress_->hide();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if ((page() == Page::kRepairing && !StopRepairSequence()) ||
      (page() == Page::kSaving && !StopSaveSequence())) {
    event->ignore();
    return;
  }
  if (!options_.prompts.askYesNo(
          QStringLiteral("Are you sure, you want to close the application?"))) {
    event->ignore();
    return;
  }
  tablesPane_->Clear();
  event->accept();
}

}  // namespace tarvex::shell
