#include "data_directory.h"

#include <QCoreApplication>
#include <QDir>

QString MonitorDataDirectory(const QString& programDirectory) {
  // The installed layout, relative to the bin directory, as CMake installs it.
  const QString installed =
      QDir::cleanPath(QDir(programDirectory).filePath(QStringLiteral(ZEMTRA_MONITOR_DATA_FROM_PROGRAM)));
  return QDir(installed).exists() ? installed : programDirectory;
}

QString MonitorDataDirectory() { return MonitorDataDirectory(QCoreApplication::applicationDirPath()); }
