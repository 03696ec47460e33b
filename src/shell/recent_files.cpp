#include "shell/recent_files.h"

#include <QSettings>

namespace tarvex::shell {
namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString Key(int index) { return QStringLiteral("File%1").arg(index + 1); }

}  // namespace

QStringList RecentFiles::List() {
  QSettings settings;
  settings.beginGroup(kGroup);
  QStringList files;
  for (int i = 0; i < kRecentFileCount; ++i) {
    const QString file = settings.value(Key(i)).toString();
    if (!file.isEmpty()) files << file;
  }
  return files;
}

void RecentFiles::Add(const QString& path) {
  QStringList files = List();
  files.removeAll(path);
  files.prepend(path);
  QSettings settings;
  settings.beginGroup(kGroup);
  for (int i = 0; i < kRecentFileCount; ++i) {
    if (i < files.size())
      settings.setValue(Key(i), files[i]);
    else
      settings.remove(Key(i));
  }
}

}  // namespace tarvex::shell
