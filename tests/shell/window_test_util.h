#pragma once
// A window made for a test: quick timers, no pauses between steps, and
// questions answered by the test.
#include <QTest>
#include <memory>

#include "shell/main_window.h"
#include "shell/scripted_prompts.h"
#include "support/test_paths.h"

namespace tarvex::test {

inline QString Fixture(const char* name) {
  return QString::fromStdString((FixturesDir() / "real" / name).string());
}

struct TestWindow {
  explicit TestWindow(bool startDialogAtFirstShow = false,
                      std::chrono::milliseconds stepPause = std::chrono::milliseconds(0)) {
    shell::ShellOptions options;
    options.timerPeriod = std::chrono::milliseconds(10);
    options.scan.stepPause = stepPause;
    options.save = writer::SaveSettings::WithoutPause();
    options.prompts = prompts.Prompts();
    options.startDialogAtFirstShow = startDialogAtFirstShow;
    window = std::make_unique<shell::MainWindow>(std::move(options));
    window->show();
  }

  bool WaitForPage(shell::CShowPageState::Page page, int timeoutMs = 120000) {
    return QTest::qWaitFor([&] { return window->page() == page; }, timeoutMs);
  }

  // Repairs `file` through the window; true once its preview page shows.
  bool Repair(const QString& file) {
    return window->StartRepair({file, {}, false}) && WaitForPage(shell::CShowPageState::kPreview);
  }

  ScriptedPrompts prompts;  // before the window, which holds its functions
  std::unique_ptr<shell::MainWindow> window;
};

}  // namespace tarvex::test
