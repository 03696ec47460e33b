#include "shell/screenshot_tour.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <iostream>

#include "shell/main_window.h"

namespace tarvex::shell {
namespace {

// Time for the window to lay out and paint a page before it is grabbed.
constexpr int kSettleMs = 500;

}  // namespace

ScreenshotTour::ScreenshotTour(QString folder, QString damagedFile)
    : folder_(std::move(folder)), damagedFile_(std::move(damagedFile)) {}

UserPrompts ScreenshotTour::Prompts() const {
  return {
      .askYesNo = [](const QString&) { return true; },
      .tell = [](const QString& message) { std::cerr << message.toStdString() << "\n"; },
      .chooseFileToOpen = [](const QString&, const QString&) { return QString(); },
      .chooseFileToSave =
          [this](const QString& defaultPath, const QString&) {
            return QDir(folder_).filePath(QFileInfo(defaultPath).fileName());
          },
  };
}

void ScreenshotTour::Run(MainWindow* window) {
  window_ = window;
  connect(window, &MainWindow::pageChanged, this, &ScreenshotTour::OnPage);
  QTimer::singleShot(kSettleMs, this, [this] {
    Grab(CShowPageState::kMode);
    if (!window_->StartRepair({damagedFile_, {}, false})) QCoreApplication::exit(1);
  });
}

void ScreenshotTour::OnPage(int page) {
  switch (page) {
    case CShowPageState::kPreview:
      if (saveStarted_) {  // the save failed
        QCoreApplication::exit(1);
        break;
      }
      saveStarted_ = true;
      QTimer::singleShot(kSettleMs, this, [this] {
        Grab(CShowPageState::kPreview);
        window_->Save();
      });
      break;
    case CShowPageState::kDone:
      QTimer::singleShot(kSettleMs, this, [this] {
        Grab(CShowPageState::kDone);
        QCoreApplication::exit(0);
      });
      break;
    case CShowPageState::kIdle:
      QCoreApplication::exit(1);
      break;
    default:
      break;
  }
}

void ScreenshotTour::Grab(int page) {
  const QString file = QDir(folder_).filePath(QStringLiteral("page-%1.png").arg(page));
  if (!window_->grab().save(file)) std::cerr << "cannot write " << file.toStdString() << "\n";
}

}  // namespace tarvex::shell
