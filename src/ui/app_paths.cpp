#include "app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "decode/config/data_files.h"

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
  const std::string found =
      FindDataFile(QCoreApplication::applicationDirPath().toStdString(), name.toStdString());
  return QString::fromStdString(found);
}

}  // namespace kestle::ui
