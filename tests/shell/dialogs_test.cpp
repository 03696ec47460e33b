// The small dialogs and the single-instance guard.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>

#include "shell/application.h"
#include "shell/dlg_settings.h"
#include "shell/output_path_dialog.h"
#include "shell/recent_files.h"
#include "shell/scripted_prompts.h"
#include "support/test_paths.h"

namespace tarvex::test {
namespace {

TEST(CDlgSettings, KeepsAPrefixOnlyWhenAFileNameCanHoldIt) {
  struct Case {
    const char* typed;
    const char* told;  // empty: accepted
  };
  const Case cases[] = {
      {"", "Please fill prefix"},
      {"a/b", "Illegal character found in file pre fix "},
      {"it's", "Illegal character found in file pre fix "},
      {"Fixed", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    ScriptedPrompts prompts;
    shell::CDlgSettings dialog("Rep", prompts.Prompts(), nullptr);
    EXPECT_EQ(dialog.prefixField()->text(), "Rep");
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.prefixField()->setText(c.typed);
    dialog.accept();
    const bool refused = *c.told != '\0';
    EXPECT_EQ(accepted.count(), refused ? 0 : 1);
    EXPECT_EQ(prompts.told, refused ? QStringList{c.told} : QStringList{});
    EXPECT_EQ(dialog.prefix(), refused ? "Rep" : c.typed);
  }
}

TEST(ChooseOutputPath, AsksAgainUntilANameIsTakenAndKeepsTheSourceType) {
  ScratchDir dir;
  const auto damaged = dir.path() / "Orders.MDB";
  const QString tooLong = QString::fromStdString((dir.path() / std::string(250, 'x')).string());
  const QString other = QString::fromStdString((dir.path() / "Out.accdb").string());
  ScriptedPrompts prompts;
  prompts.filesToSave = {tooLong, other};
  EXPECT_EQ(shell::ChooseOutputPath(prompts.Prompts(), damaged), dir.path() / "Out.accdb.mdb");
  EXPECT_EQ(prompts.told, QStringList{"File name should be less than 245 characters."});
  EXPECT_EQ(prompts.saveFilters.first(), "MS Access Files (*.mdb)");

  // The case of the chosen path is kept; a cancel gives no path.
  prompts.filesToSave = {QString::fromStdString((dir.path() / "New.MDB").string())};
  EXPECT_EQ(shell::ChooseOutputPath(prompts.Prompts(), damaged), dir.path() / "New.MDB");
  EXPECT_TRUE(shell::ChooseOutputPath(prompts.Prompts(), damaged).empty());
}

TEST(SingleInstance, ASecondInstanceIsToldTheFirstRuns) {
  ScratchDir dir;
  const auto lockFile = dir.path() / "instance.lock";
  ScriptedPrompts prompts;
  {
    auto first = shell::SingleInstanceLock::Acquire(lockFile);
    ASSERT_TRUE(first);
    shell::ShellOptions options;
    options.prompts = prompts.Prompts();
    options.startDialogAtFirstShow = false;
    EXPECT_FALSE(shell::OpenShell(lockFile, options));
    EXPECT_EQ(prompts.told, QStringList{"Tarvex for Access is already running."});
  }
  // Once the first has gone, the next one starts.
  shell::ShellOptions options;
  options.prompts = prompts.Prompts();
  options.startDialogAtFirstShow = false;
  auto shell = shell::OpenShell(lockFile, options);
  ASSERT_TRUE(shell);
  EXPECT_TRUE(shell->window);
  // A lock file that cannot be made guards nothing, and stops nobody.
  EXPECT_TRUE(shell::SingleInstanceLock::Acquire(dir.path() / "missing" / "instance.lock"));
}

TEST(RecentFiles, KeepsTheLastFourNewestFirst) {
  for (const char* file : {"/a.mdb", "/b.mdb", "/c.mdb", "/d.mdb", "/e.mdb", "/c.mdb"})
    shell::RecentFiles::Add(file);
  EXPECT_EQ(shell::RecentFiles::List(), (QStringList{"/c.mdb", "/e.mdb", "/d.mdb", "/b.mdb"}));
}

}  // namespace
}  // namespace tarvex::test
