// tarvex-gui [FILE]: the desktop window; with FILE the repair of FILE starts at once.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <iostream>

#include "shell/application.h"
#include "shell/screenshot_tour.h"

int main(int argc, char** argv) {
  using namespace tarvex::shell;
  QApplication app(argc, argv);
  SetApplicationNames();
  QApplication::setApplicationVersion(QStringLiteral(TARVEX_VERSION));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarvex-gui.png")));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Repairs damaged Microsoft Access databases."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"),
                               QStringLiteral("A damaged .mdb or .accdb file to repair at once."));
  QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                 QStringLiteral("Repair and save FILE into FOLDER, with pictures."),
                                 QStringLiteral("folder"));
  screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(screenshots);
  parser.process(app);
  const QStringList files = parser.positionalArguments();
  const QString damagedFile = files.isEmpty() ? QString() : files.front();

  ShellOptions options;
  std::unique_ptr<ScreenshotTour> tour;
  if (parser.isSet(screenshots)) {
    if (damagedFile.isEmpty()) {
      std::cerr << "tarvex-gui: --screenshots needs a FILE to repair\n";
      return 2;
    }
    tour = std::make_unique<ScreenshotTour>(parser.value(screenshots), damagedFile);
    options.prompts = tour->Prompts();
  }
  options.startDialogAtFirstShow = damagedFile.isEmpty();

  auto shell = OpenShell(DefaultInstanceLockPath(), std::move(options));
  if (!shell) {
    std::cerr << "Tarvex for Access is already running.\n";
    return 1;
  }
  MainWindow& window = *shell->window;
  window.show();
  if (tour)
    tour->Run(&window);
  else if (!damagedFile.isEmpty())
    window.StartRepair({damagedFile, {}, false});
  return app.exec();
}
