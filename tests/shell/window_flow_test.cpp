// The window's pages and commands, driven as a user drives them.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/preview_rows_model.h"
#include "shell/recovered_tables_pane.h"
#include "support/oracle_readers.h"
#include "window_test_util.h"

namespace tarvex::test {
namespace {

using Page = shell::CShowPageState::Page;

struct Toolbar {
  bool repair, stop, save;
  bool operator==(const Toolbar&) const = default;
};

Toolbar ToolbarOf(const shell::MainWindow& window) {
  return {window.repairAction()->isEnabled(), window.stopAction()->isEnabled(),
          window.saveAction()->isEnabled()};
}

TEST(CShowPageState, StepsBackAndEnablesTheToolbarPerPage) {
  struct Case {
    Page page, back;
    bool repair, stop, save;
  };
  const Case cases[] = {
      {Page::kMode, Page::kMode, true, false, false},
      {Page::kIdle, Page::kIdle, true, false, false},
      {Page::kRepairing, Page::kIdle, false, true, false},
      {Page::kPreview, Page::kIdle, true, false, true},
      {Page::kSaving, Page::kPreview, false, true, false},
      {Page::kDone, Page::kPreview, true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(shell::CShowPageState::SteppedBack(c.page), c.back);
    EXPECT_EQ(shell::CShowPageState::RepairAllowed(c.page), c.repair);
    EXPECT_EQ(shell::CShowPageState::StopAllowed(c.page), c.stop);
    EXPECT_EQ(shell::CShowPageState::SaveAllowed(c.page), c.save);
  }
}

TEST(StartDialog, RefusesWhatCannotStartARepair) {
  TestWindow t(/*startDialogAtFirstShow=*/true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return t.window->startDialog() != nullptr; }));
  shell::CStartRecoverDlg* dialog = t.window->startDialog();

  // No damaged file: the dialog stays open with its message.
  dialog->accept();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(t.prompts.told, QStringList{"Please Select Corrupted MS Access Database File."});

  // A file of another type is not taken.
  t.prompts.fileToOpen = "/tmp/notes.txt";
  dialog->damagedFileBrowse()->click();
  EXPECT_TRUE(dialog->damagedFileField()->text().isEmpty());
  t.prompts.fileToOpen = Fixture("jet4_northwind2000.mdb");
  dialog->damagedFileBrowse()->click();
  EXPECT_EQ(dialog->damagedFileField()->text(), t.prompts.fileToOpen);

  // Template Mode wants its template file.
  dialog->templateModeChoice()->setChecked(true);
  dialog->accept();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(t.prompts.told.last(), "Please Select Template MS Access Database File.");
  dialog->reject();
  EXPECT_TRUE(QTest::qWaitFor([&] { return t.window->startDialog() == nullptr; }));
  EXPECT_EQ(t.window->page(), Page::kMode);
}

// The mode page's own Start chooses the damaged file and starts at once.
TEST(StartRepair, TheModePageTakesOnlyAccessFiles) {
  TestWindow t;
  QPushButton* start = nullptr;
  for (auto* button : t.window->findChildren<QPushButton*>())
    if (button->text() == "Start" && button->isVisible()) start = button;
  ASSERT_TRUE(start);
  t.prompts.fileToOpen = "/tmp/notes.txt";
  start->click();
  EXPECT_EQ(t.window->page(), Page::kMode);
  t.prompts.fileToOpen = Fixture("jet4_northwind2000.mdb");
  start->click();
  EXPECT_EQ(t.window->page(), Page::kRepairing);
  EXPECT_TRUE(t.WaitForPage(Page::kPreview));
}

TEST(StartRepair, TemplateModeTakesTheDefinitionsFromTheTemplate) {
  TestWindow t;
  const QString file = Fixture("jet4_northwind2000.mdb");
  ASSERT_TRUE(t.window->StartRepair({file, file, true}));
  ASSERT_TRUE(t.WaitForPage(Page::kPreview));
  EXPECT_GT(t.window->tablesPane()->tableList()->count(), 5);
}

TEST(StartRepair, AFileThatCannotBeReadGoesBackToThePrompt) {
  TestWindow t;
  EXPECT_FALSE(t.window->StartRepair({"/nonexistent/damaged.mdb", {}, false}));
  EXPECT_EQ(t.window->page(), Page::kIdle);
  EXPECT_EQ(t.prompts.told,
            QStringList{"File '/nonexistent/damaged.mdb' does not exist or access is denied."});
}

// A repair that recovers no table says what it found and offers nothing to save.
TEST(StartRepair, ARepairThatRecoversNoTableGoesBackToThePrompt) {
  ScratchDir dir;
  const auto damaged = dir.path() / "damaged.mdb";
  std::ifstream in(FixturesDir() / "real" / "jet3_types.mdb", std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::fill(bytes.begin() + 2048, bytes.end(), '\0');
  std::ofstream(damaged, std::ios::binary) << bytes;
  TestWindow t;
  ASSERT_TRUE(t.window->StartRepair({QString::fromStdString(damaged.string()), {}, false}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !t.prompts.told.isEmpty(); }, 120000));
  EXPECT_EQ(t.window->page(), Page::kIdle);
  EXPECT_TRUE(t.prompts.told.last().endsWith("no table could be recovered: its 58 pages (read as "
                                             "Jet 3) hold 0 data pages and 0 table definitions"))
      << t.prompts.told.last().toStdString();
  EXPECT_FALSE(t.window->saveAction()->isEnabled());
}

// The whole road: the start dialog, the repair, the preview, the save, the
// database read back by mdbtools, and another repair from the done page.
TEST(WindowFlow, RepairsPreviewsAndSavesARealFile) {
  const QString damaged = Fixture("jet4_northwind2000.mdb");
  ScratchDir out;
  TestWindow t(/*startDialogAtFirstShow=*/true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return t.window->startDialog() != nullptr; }));
  t.window->startDialog()->damagedFileField()->setText(damaged);
  t.window->startDialog()->accept();
  ASSERT_TRUE(t.WaitForPage(Page::kRepairing, 5000));
  EXPECT_TRUE((ToolbarOf(*t.window) == Toolbar{false, true, false}));
  ASSERT_TRUE(t.WaitForPage(Page::kPreview));
  EXPECT_TRUE((ToolbarOf(*t.window) == Toolbar{true, false, true}));

  shell::RecoveredTablesPane* pane = t.window->tablesPane();
  ASSERT_GT(pane->tableList()->count(), 5);
  QStringList tables;
  for (int i = 0; i < pane->tableList()->count(); ++i) tables << pane->tableList()->item(i)->text();
  EXPECT_TRUE(tables.contains("Customers"));
  EXPECT_EQ(pane->tree()->topLevelItem(0)->text(0), "Recovered Tables");
  EXPECT_EQ(pane->tree()->topLevelItem(0)->childCount(), pane->tableList()->count());
  EXPECT_TRUE(pane->summary()->text().startsWith("Table Name : " + tables.front()));

  // Choosing Customers shows its rows; the tree's root shows the summary of all.
  pane->tableList()->setCurrentRow(static_cast<int>(tables.indexOf("Customers")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane->rowsModel()->rowCount() > 0; }));
  EXPECT_EQ(pane->rowsModel()->headerData(0, Qt::Horizontal, Qt::DisplayRole), "CustomerID");
  pane->tree()->setCurrentItem(pane->tree()->topLevelItem(0));
  EXPECT_TRUE(pane->summary()->text().startsWith("Total "));

  // The first answer keeps the damaged file's type; the second is refused and asked again.
  const QString output = QString::fromStdString((out.path() / "repaired.mdb").string());
  t.prompts.filesToSave = {QString::fromStdString((out.path() / ".mdb").string()), output};
  t.window->saveAction()->trigger();
  EXPECT_EQ(t.prompts.saveFilters.first(), "MS Access Files (*.mdb)");
  EXPECT_EQ(t.prompts.told.last(), "Please provide a valid file name.");
  ASSERT_TRUE(t.WaitForPage(Page::kDone));
  EXPECT_TRUE((ToolbarOf(*t.window) == Toolbar{true, false, true}));
  EXPECT_TRUE(t.window->saveSummary().contains("Customers: 91 rows recovered"));
  EXPECT_TRUE(t.window->saveSummary().contains("Repaired database: " + output));
  // The log view followed the save's log to its end.
  const QString log = t.window->logView()->toPlainText();
  EXPECT_TRUE(log.contains("Location: \n" + output)) << log.toStdString();

  const auto written = MdbTables(output.toStdString());
  for (const char* name : {"Customers", "Orders", "Products"})
    EXPECT_NE(std::find(written.begin(), written.end(), name), written.end()) << name;

  // The done page allows another repair.
  ASSERT_TRUE(t.Repair(Fixture("jet4_northwind2000.mdb")));
  EXPECT_EQ(t.window->tablesPane()->tableList()->count(), tables.size());
}

TEST(WindowFlow, AFailedSaveReturnsToThePreview) {
  TestWindow t;
  ASSERT_TRUE(t.Repair(Fixture("jet4_northwind2000.mdb")));
  // A folder that does not exist: the new database cannot be made there.
  t.prompts.filesToSave = {"/nonexistent-folder/repaired.mdb"};
  t.window->Save();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !t.window->session().Running(); }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return t.window->page() != Page::kSaving; }));
  EXPECT_EQ(t.window->page(), Page::kPreview);
  EXPECT_FALSE(t.prompts.told.isEmpty());
  EXPECT_TRUE(t.window->session().job().SaveFailed());

  // Cancelling the save dialog stays on the preview and starts nothing.
  t.window->Save();
  EXPECT_EQ(t.window->page(), Page::kPreview);
  EXPECT_FALSE(t.window->session().Running());
}

TEST(WindowFlow, StopAndCloseAskBeforeTheyEndARepair) {
  // Pauses between the steps keep the repair running while the test asks.
  TestWindow t(false, std::chrono::milliseconds(300));
  ASSERT_TRUE(t.window->StartRepair({Fixture("jet4_northwind2000.mdb"), {}, false}));

  t.prompts.answers = {false};
  t.window->stopAction()->trigger();
  EXPECT_EQ(t.prompts.questions.last(), "Do you really want to stop current process?");
  EXPECT_EQ(t.window->page(), Page::kRepairing);
  EXPECT_TRUE(t.window->session().Running());

  t.prompts.answers = {false};
  EXPECT_FALSE(t.window->close());
  EXPECT_EQ(t.window->page(), Page::kRepairing);
  EXPECT_TRUE(t.window->session().Running());

  t.prompts.answers = {true};
  t.window->stopAction()->trigger();
  EXPECT_EQ(t.window->page(), Page::kIdle);
  EXPECT_FALSE(t.window->session().Running());
  EXPECT_EQ(t.prompts.told.last(), "Proccess stop by user.");

  // Closing from the prompt asks once more; No keeps the window.
  t.prompts.answers = {false};
  EXPECT_FALSE(t.window->close());
  EXPECT_EQ(t.prompts.questions.last(), "Are you sure, you want to close the application?");
  t.prompts.answers = {true};
  EXPECT_TRUE(t.window->close());
}

}  // namespace
}  // namespace tarvex::test
