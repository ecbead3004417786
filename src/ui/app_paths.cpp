#include "app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kestle::ui {

QString SettingsFilePath() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (!base.isEmpty()) {
    const QString folder = QDir(base).filePath("Quorrel Software/Kestle");
    if (QDir().mkpath(folder) && QFileInfo(folder).isDir())
      return QDir(folder).filePath("Kestle.ini");
  }
  return QDir(QCoreApplication::applicationDirPath()).filePath("Kestle.ini");
}

QString DataFilePath(const QString& name) {
  const QString candidates[] = {
      QDir(QCoreApplication::applicationDirPath()).filePath(name),
      QDir(QCoreApplication::applicationDirPath()).filePath("../share/kestle/" + name),
      QDir(QStringLiteral(KESTLE_DATA_DIR)).filePath(name),
      QDir(QStringLiteral(KESTLE_SOURCE_DATA_DIR)).filePath(name),
  };
  for (const QString& c : candidates)
    if (QFileInfo::exists(c)) return QFileInfo(c).absoluteFilePath();
  return {};
}

}  // namespace kestle::ui
