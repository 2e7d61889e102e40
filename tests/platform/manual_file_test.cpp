#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/manual_file.h"

namespace pf {
namespace {

// A portable copy, an installed tree, a build folder and a repository, with the manual in some of them.
TEST(ManualFile, TheCopyBesideTheProgramThenTheInstalledOneThenTheRepositorysWhenRunFromTheBuild) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString bin = root.filePath("usr/bin"), installed = root.filePath("usr/share/doc/pictoforge");
  const QString build = root.filePath("build"), docs = root.filePath("repo/docs");
  for (const QString& folder : {bin, installed, build, docs}) ASSERT_TRUE(QDir().mkpath(folder));
  const auto put = [](const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  };
  const QString beside = bin + "/doc/manual.ja.html", shipped = installed + "/manual.ja.html";
  const QString builtManual = build + "/doc/manual.ja.html", markdown = docs + "/manual.ja.md";

  struct Case {
    const char* what;
    QString executable;
    QStringList present;
    QString expected;
  };
  const Case cases[] = {
      {"installed only", bin, {shipped}, shipped},
      {"a portable copy's own comes first", bin, {shipped, beside}, beside},
      {"nothing anywhere", bin, {}, {}},
      {"the build's own HTML", build, {builtManual, markdown}, builtManual},
      {"a build that made no HTML opens the repository's Markdown", build, {markdown}, markdown},
      {"the repository is not used away from the build", bin, {markdown}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const QString& f : {beside, shipped, builtManual, markdown}) QFile::remove(f);
    for (const QString& f : c.present) put(f);
    const ManualPlaces places{c.executable, installed, build, docs};
    EXPECT_EQ(FindManual(places), c.expected.isEmpty() ? QString() : QDir::cleanPath(c.expected));
  }

  // A folder of the manual's name is no manual.
  for (const QString& f : {beside, shipped, builtManual, markdown}) QFile::remove(f);
  ASSERT_TRUE(QDir().mkpath(shipped));
  EXPECT_EQ(FindManual({bin, installed, build, docs}), QString());
}

}  // namespace
}  // namespace pf
