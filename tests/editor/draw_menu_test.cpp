#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <vector>

#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

// A stand-in tool window with an open flag of its own.
class ProbeForm : public Form {
 public:
  static constexpr const char* kFormName = "Form99";
  ProbeForm(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form99"), owner) {
    setWindowTitle(QStringLiteral("プローブ"));
  }
  void Form_Unload() override { app().state.Form9Open = false; }
};

class DrawMenu : public AppFixture {};

TEST_F(DrawMenu, ClearZeroesEveryPixelButKeepsMaskAndPalette) {
  state().IconPixels.fill(6);
  state().MaskGrid[40] = 1;
  trigger("mnuBCLS");
  for (int i = 0; i < kPixelCount; ++i) ASSERT_EQ(state().IconPixels[static_cast<std::size_t>(i)], 0) << i;
  EXPECT_EQ(state().MaskGrid[40], 1);
  EXPECT_EQ(state().HistoryIndex, 0) << "the change is recorded";
}

TEST_F(DrawMenu, ShiftsMoveThePictureOnePixel) {
  setPixel(4, 5, 9);
  trigger("mnuBSUP");
  trigger("mnuBSUP");
  EXPECT_EQ(pixel(4, 3), 9);
  EXPECT_EQ(pixel(4, 5), 0);
  trigger("mnuBSR");
  EXPECT_EQ(pixel(5, 3), 9);
  trigger("mnuBSD");
  EXPECT_EQ(pixel(5, 4), 9);
  setPixel(0, 10, 7);
  trigger("mnuBSL");
  EXPECT_EQ(pixel(4, 4), 9);
  EXPECT_EQ(pixel(0, 10), 0) << "a pixel in column 0 is pushed out";
  setPixel(2, 0, 3);
  trigger("mnuBSUP");
  EXPECT_EQ(pixel(2, 0), 0) << "the top row is lost";
}

TEST_F(DrawMenu, ReduceTo16SamplesEverySecondPixel) {
  setPixel(2, 1, 7);
  setPixel(2, 0, 5);  // display row 0 is not sampled
  state().MaskGrid[0 * 32 + 2] = 1;
  trigger("mnuH");
  EXPECT_EQ(pixel(1, 16), 7);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (x == 1 && y == 16) continue;
      ASSERT_EQ(pixel(x, y), 0) << x << "," << y;
    }
  }
  EXPECT_EQ(state().MaskGrid[16 * 32 + 1], 1) << "the mask comes from display rows 0, 2 .. 30";
}

TEST_F(DrawMenu, AllCloseLeavesOnlyTheMainWindow) {
  QPointer<ProbeForm> a = app->create<ProbeForm>();
  QPointer<ProbeForm> b = app->create<ProbeForm>();
  state().Form9Open = true;
  ASSERT_EQ(app->forms.forms().size(), 3u);
  trigger("mnuCHLDCLOSE");
  ASSERT_EQ(app->forms.forms().size(), 1u);
  EXPECT_EQ(app->forms.forms().front(), ic);
  EXPECT_FALSE(state().Form9Open) << "the closing window cleared its flag";
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(a.isNull());
  EXPECT_TRUE(b.isNull());
}

TEST_F(DrawMenu, ClosingTheLastWindowOnScreenBringsTheHiddenEditorBack) {
  // A layout that hides the editor and shows other windows: the editor comes back only when the last of
  // them closes, and a window that never showed does not count.
  for (const int others : {1, 2, 3}) {
    SCOPED_TRACE(others);
    std::vector<QPointer<ProbeForm>> windows;
    for (int i = 0; i < others; ++i) windows.push_back(app->create<ProbeForm>());
    QPointer<ProbeForm> neverShown = app->singleLoaded<ProbeForm>();
    neverShown->hide();
    ic->setEditorVisible(false);
    for (int i = 0; i < others; ++i) {
      EXPECT_FALSE(ic->isVisible()) << "before window " << i << " closes";
      windows[static_cast<std::size_t>(i)]->close();
    }
    EXPECT_TRUE(ic->isVisible());
    neverShown->close();
  }
}

TEST_F(DrawMenu, VersionShowsTheProgramName) {
  trigger("mnuVersion");
  ASSERT_EQ(ui.messages.size(), 1);
  EXPECT_TRUE(ui.messages[0].startsWith("Pictoforge バージョン "));
}

TEST_F(DrawMenu, ManualOpensTheCopyBesideTheProgramInTheDesktopsViewer) {
  // The test program stands where the editor would: a manual in doc/ beside it is the one opened.
  const QString folder = QCoreApplication::applicationDirPath() + "/doc";
  const QString manual = folder + "/manual.ja.html";
  const bool hadOne = QFileInfo::exists(manual);
  if (!hadOne) {
    QDir().mkpath(folder);
    QFile f(manual);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  ui.viewerAnswer = false;
  trigger("mnuManual");
  ASSERT_EQ(ui.requests.size(), 1u);
  EXPECT_EQ(ui.requests[0].kind, "viewer");
  EXPECT_EQ(ui.requests[0].text, QDir::cleanPath(manual));
  EXPECT_EQ(ui.messages, QStringList{"マニュアルを開けませんでした。\n" + QDir::cleanPath(manual)})
      << "a desktop without a viewer says so";

  ui.viewerAnswer = true;
  ui.messages.clear();
  trigger("mnuManual");
  EXPECT_TRUE(ui.messages.isEmpty());
  if (!hadOne) {
    QFile::remove(manual);
    QDir().rmdir(folder);
    trigger("mnuManual");
    EXPECT_EQ(ui.messages, QStringList{"マニュアルが見つかりません。"});
  }
}

TEST_F(DrawMenu, EndClosesEverythingAndTheEventLoopEnds) {
  app->create<ProbeForm>();
  QEventLoop loop;
  QObject::connect(ic, &QObject::destroyed, &loop, &QEventLoop::quit);
  bool timedOut = false;
  QTimer::singleShot(5000, &loop, [&] {
    timedOut = true;
    loop.quit();
  });
  QTimer::singleShot(0, ic, [this] { trigger("mnuEND"); });
  loop.exec();
  EXPECT_FALSE(timedOut);
  EXPECT_TRUE(app->forms.forms().empty());
}

}  // namespace
}  // namespace pf
