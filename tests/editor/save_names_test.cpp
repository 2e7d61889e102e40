// Every save command names its file through one helper: the extension goes on the name typed, and the
// overwrite question is about the name then written.
#include <QAction>
#include <QFile>
#include <functional>

#include "archive/work_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/reduction_window.h"
#include "support/app_fixture.h"
#include "tools/mask_setting.h"
#include "tools/palette_array.h"

namespace pf {
namespace {

class SaveNames : public testing::AppFixture {
 protected:
  QByteArray contentOf(const QString& name) {
    QFile f(folder.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(SaveNames, TheOverwriteQuestionIsAboutTheNameWrittenInEverySaveCommand) {
  const std::pair<QString, std::function<void()>> commands[] = {
      {".ico", [this] { trigger("mnuSAVE"); }}, {".pal", command<Form12>("mnuSV")},
      {".ico", command<Form11>("mnuSAVE")},     {".wrk", command<Form10>("mnuFSAVE")},
      {".ico", command<Form20>("mnuSave")},     {".ico", command<Form13>("mnuFULLCOLOR")},
  };
  for (const auto& [extension, save] : commands) {
    SCOPED_TRACE(extension.toStdString());
    QFile old(folder.filePath("face" + extension));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the user's own");
    old.close();
    ui.requests.clear();

    // "face" typed where face.ico stands: asked about face.ico; No goes back to the dialog (cancelled).
    ui.fileAnswers = {folder.filePath("face")};
    ui.yesNoAnswers = {false};
    save();
    ASSERT_EQ(ui.requests.size(), 3u);
    EXPECT_EQ(ui.requests[1].text, "face" + extension + " は既に存在します。\n上書きしますか?");
    EXPECT_EQ(ui.requests[2].kind, "save");
    EXPECT_EQ(contentOf("face" + extension), "the user's own");

    // Yes replaces it.
    ui.fileAnswers = {folder.filePath("face")};
    ui.yesNoAnswers = {true};
    save();
    EXPECT_NE(contentOf("face" + extension), "the user's own");
    EXPECT_TRUE(ui.yesNoAnswers.empty());
    old.remove();
  }
}

}  // namespace
}  // namespace pf
