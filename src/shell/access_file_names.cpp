#include "shell/access_file_names.h"

#include <QFileInfo>

namespace tarvex::shell {

bool IsAccessFileName(const QString& path) {
  const QString extension = QFileInfo(path).suffix().toUpper();
  return extension == QStringLiteral("MDB") || extension == QStringLiteral("ACCDB");
}

QString DialogFilter(const std::string& filter) {
  QString description = QString::fromStdString(filter.substr(0, filter.find('|')));
  return description.replace(QLatin1Char(';'), QLatin1Char(' '));
}

}  // namespace tarvex::shell
