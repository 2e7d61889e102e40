// Every save command of the program names its file through one dialog helper: the extension is added to
// the name typed, and the overwrite question is about the name that is then written.
#include <QAction>
#include <QDir>
#include <QFile>
#include <functional>

#include "archive/work_archive.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_archive.h"
#include "fullcolour/reduction_window.h"
#include "model/file_io.h"
#include "support/app_fixture.h"
#include "tools/mask_setting.h"
#include "tools/palette_array.h"

namespace pf {
namespace {

using testing::AppFixture;

class SaveNames : public AppFixture {
 protected:
  // Opens a window and runs one of its menu commands.
  template <class F>
  std::function<void()> command(const char* action, bool single = false) {
    return [this, action, single] {
      Form* form = single ? static_cast<Form*>(app->single<F>()) : static_cast<Form*>(app->create<F>());
      if (!form->wasActivated()) form->activate();
      QAction* a = form->findChild<QAction*>(QString::fromLatin1(action));
      ASSERT_NE(a, nullptr) << action;
      a->trigger();
    };
  }
  std::function<void()> editor(const char* action) {
    return [this, action] { trigger(action); };
  }
  QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
  }
  void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
};

TEST_F(SaveNames, TheOverwriteQuestionIsAboutTheNameWrittenInEverySaveCommand) {
  const struct {
    const char* what;
    const char* extension;
    std::function<void()> save;
  } commands[] = {
      {"アイコンファイルを保存", ".ico", editor("mnuSAVE")},
      {"１６×１６ドットアイコンとして保存", ".ico", editor("mnuHexIcon")},
      {"アレイ保存", ".pal", command<Form12>("mnuSV", true)},
      {"マスク処理の保存", ".ico", command<Form11>("mnuSAVE", true)},
      {"保管庫", ".wrk", command<Form10>("mnuFSAVE")},
      {"フルカラー保管庫", ".w24", command<Form23>("mnuFSAVE")},
      {"マスク保管庫", ".msk", command<Form24>("mnuFSAVE")},
      {"フルカラーアイコンを保存", ".ico", command<Form20>("mnuSave", true)},
      {"取得画像のフルカラーアイコン", ".ico", command<Form13>("mnuFULLCOLOR", true)},
  };
  int n = 0;
  for (const auto& c : commands) {
    SCOPED_TRACE(c.what);
    const QString fresh = QStringLiteral("new%1").arg(++n);
    const QString extension = QString::fromLatin1(c.extension);
    const QString kept = folder.filePath("face" + extension);
    put(kept, "the user's own file");
    ui.requests.clear();
    ui.messages.clear();

    // "face" typed where face.ico stands: asked about face.ico; No goes back to the dialog in that folder
    // (cancelled here) and leaves the file alone.
    ui.fileAnswers = {folder.filePath("face")};
    ui.yesNoAnswers = {false};
    c.save();
    ASSERT_EQ(ui.requests.size(), 3u);
    EXPECT_EQ(ui.requests[0].kind, "save");
    EXPECT_EQ(ui.requests[1].kind, "yesno");
    EXPECT_EQ(ui.requests[1].text, "face" + extension + " は既に存在します。\n上書きしますか?");
    EXPECT_EQ(ui.requests[2].kind, "save") << "back to choosing a name";
    EXPECT_EQ(QDir(ui.requests[2].file.initialFolder), QDir(folder.path()));
    EXPECT_EQ(contentOf(kept), "the user's own file");

    // Yes replaces it; a name that is new is not asked about.
    ui.fileAnswers = {folder.filePath("face")};
    ui.yesNoAnswers = {true};
    c.save();
    EXPECT_NE(contentOf(kept), "the user's own file");
    EXPECT_TRUE(ui.yesNoAnswers.empty());
    ui.requests.clear();
    ui.messages.clear();
    ui.fileAnswers = {folder.filePath(fresh)};
    c.save();
    EXPECT_TRUE(QFile::exists(folder.filePath(fresh + extension)));
    ASSERT_EQ(ui.requests.size(), 1u) << "nothing asked";

    // The extension test looks at the file's own name: in a folder "my.icos" the file still gets it.
    const QString dotted = folder.filePath(fresh + "my" + extension + "s");
    ASSERT_TRUE(QDir().mkpath(dotted));
    ui.fileAnswers = {dotted + "/face"};
    c.save();
    EXPECT_TRUE(QFile::exists(dotted + "/face" + extension));
    EXPECT_FALSE(QFile::exists(dotted + "/face"));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(' ').toStdString();
    QFile::remove(kept);
  }
}

}  // namespace
}  // namespace pf
