#include "program_search.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

QString FindOnSearchPath(const QString& program, const QString& searchPath) {
  for (const QString& directory : searchPath.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
    if (QDir::isRelativePath(directory)) continue;
    const QFileInfo candidate(QDir(directory).filePath(program));
    if (candidate.isFile() && candidate.isExecutable()) return candidate.absoluteFilePath();
  }
  return {};
}

bool StartFromSearchPath(const QString& program, const QStringList& arguments) {
  const QString path = FindOnSearchPath(program, qEnvironmentVariable("PATH"));
  if (path.isEmpty()) return false;
  return QProcess::startDetached(path, arguments);
}
