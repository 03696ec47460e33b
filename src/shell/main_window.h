#pragma once
// The main window: its six pages, the toolbar commands Repair, Stop and Save,
// the timers that follow a running repair or save, and the questions asked
// before a job is stopped or the window closed.
#include <QMainWindow>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "session/repair_session.h"
#include "shell/shell_options.h"
#include "shell/show_page_state.h"
#include "shell/start_recover_dlg.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QLineEdit;
class QStackedWidget;

namespace tarvex::shell {

class RecoveredTablesPane;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(ShellOptions options, QWidget* parent = nullptr);
  ~MainWindow() override;

  CShowPageState::Page page() const { return page_.Get(); }
  QAction* repairAction() const { return repairAction_; }
  QAction* stopAction() const { return stopAction_; }
  QAction* saveAction() const { return saveAction_; }
  RecoveredTablesPane* tablesPane() const { return tablesPane_; }
  // The running log of the repair or save, as pages 2 and 4 show it.
  QPlainTextEdit* logView() const { return log_; }
  const QString& filePrefix() const { return filePrefix_; }
  // The summary of the last save, as the done page shows it.
  QString saveSummary() const;
  // The repair and the saves the window runs.
  const session::RepairSession& session() const { return session_; }
  // The start dialog while it is open, else null.
  CStartRecoverDlg* startDialog() const { return startDialog_; }

  // The Repair command: stops the preview and opens the start dialog.
  void Repair();
  // The Stop command: the stop sequence of the running repair or save.
  void Stop();
  // The Save command: asks for the output path and starts the save.
  void Save();
  // Checks the files of `request` and starts their repair; false (with the
  // reason told to the user) when a file cannot be repaired.
  bool StartRepair(const StartRequest& request);

 signals:
  void pageChanged(int page);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* MakeModePage();
  QWidget* MakeIdlePage();
  QWidget* MakeJobPage();
  QWidget* MakeDonePage();
  void MakeMenusAndToolbar();
  void ShowRecentFiles();
  void OpenSettings();

  void SetPage(CShowPageState::Page page);
  // Page 0's Start: the damaged (and template) file chosen with the view's own dialogs.
  void StartFromModePage();
  // True when the repair was stopped (the user answered Yes).
  bool StopRepairSequence();
  bool StopSaveSequence();
  void OnRepairTimer();
  void OnSaveTimer();
  // Shows the log's new lines, the progress and the step's caption.
  void ShowJobProgress();
  void ClearJobDisplay();

  ShellOptions options_;
  CShowPageState page_;
  session::RepairSession session_;
  QTimer repairTimer_;
  QTimer saveTimer_;
  std::filesystem::path damagedFile_;
  QString filePrefix_ = QStringLiteral("Rep");
  bool shownOnce_ = false;
  size_t logShown_ = 0;  // units of the repair log already in the log view

  QAction* repairAction_ = nullptr;
  QAction* stopAction_ = nullptr;
  QAction* saveAction_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QLabel* selectedPath_ = nullptr;
  QRadioButton* modeTemplate_ = nullptr;
  QLineEdit* modeTemplatePath_ = nullptr;
  QWidget* modeTemplateRow_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* doneSummary_ = nullptr;
  QLabel* statusCaption_ = nullptr;
  RecoveredTablesPane* tablesPane_ = nullptr;
  CStartRecoverDlg* startDialog_ = nullptr;
};

}  // namespace tarvex::shell
