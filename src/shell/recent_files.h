#pragma once
// The damaged files repaired last, newest first, kept in the settings.
#include <QStringList>

namespace tarvex::shell {

inline constexpr int kRecentFileCount = 4;

class RecentFiles {
 public:
  static QStringList List();
  // Puts `path` first; an earlier entry of the same path moves up, the oldest beyond four drops.
  static void Add(const QString& path);
};

}  // namespace tarvex::shell
