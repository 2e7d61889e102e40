#include "platform/manual_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef PF_DOC_FROM_BIN
#define PF_DOC_FROM_BIN "../share/doc/pictoforge"
#endif

namespace pf {

namespace {

const QString kManualHtml = QStringLiteral("manual.ja.html");

QString IfFile(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return {};
  const QFileInfo file(QDir(folder).filePath(name));
  return file.isFile() ? QDir::cleanPath(file.absoluteFilePath()) : QString();
}

bool SameFolder(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  const QFileInfo x(a), y(b);
  const QString cx = x.canonicalFilePath(), cy = y.canonicalFilePath();
  return !cx.isEmpty() && cx == cy;
}

}  // namespace

QString FindManual(const ManualPlaces& places) {
  const QString beside = places.executableFolder.isEmpty()
                             ? QString()
                             : QDir(places.executableFolder).filePath(QStringLiteral("doc"));
  for (const QString& found : {IfFile(beside, kManualHtml), IfFile(places.installedFolder, kManualHtml)}) {
    if (!found.isEmpty()) return found;
  }
  if (SameFolder(places.executableFolder, places.buildFolder))
    return IfFile(places.sourceDocs, QStringLiteral("manual.ja.md"));
  return {};
}

ManualPlaces RunningManualPlaces() {
  ManualPlaces places;
  places.executableFolder = QCoreApplication::applicationDirPath();
  places.installedFolder =
      QDir::cleanPath(QDir(places.executableFolder).filePath(QStringLiteral(PF_DOC_FROM_BIN)));
#if defined(PF_BUILD_FOLDER) && defined(PF_SOURCE_DOCS)
  places.buildFolder = QStringLiteral(PF_BUILD_FOLDER);
  places.sourceDocs = QStringLiteral(PF_SOURCE_DOCS);
#endif
  return places;
}

}  // namespace pf
