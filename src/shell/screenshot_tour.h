#pragma once
// A tour through the window for pictures of its pages: it repairs a file,
// saves it into a folder and grabs the mode, preview and done pages there as
// PNG files, then quits. Used by scripts/screenshots.sh; every question is
// answered Yes and every message printed.
#include <QObject>
#include <QString>

#include "shell/shell_options.h"

namespace tarvex::shell {

class MainWindow;

class ScreenshotTour : public QObject {
  Q_OBJECT

 public:
  ScreenshotTour(QString folder, QString damagedFile);

  // The prompts the window is to be made with.
  UserPrompts Prompts() const;
  // Starts the tour once `window` is shown.
  void Run(MainWindow* window);

 private:
  void Grab(int page);
  void OnPage(int page);

  QString folder_;
  QString damagedFile_;
  MainWindow* window_ = nullptr;
  bool saveStarted_ = false;
};

}  // namespace tarvex::shell
