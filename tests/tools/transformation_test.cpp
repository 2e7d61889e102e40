#include "tools/transformation.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

class TransformationWindow : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // Every pixel gets its own value pattern, so any misplaced pixel shows.
    for (int i = 0; i < kPixelCount; ++i) source[i] = static_cast<std::uint8_t>((i * 7 + i / 32) % 16);
    std::copy(source.begin(), source.end(), state().IconPixels.begin());
    form = app->create<Form14>();
    if (!form->wasActivated()) form->activate();
  }

  void press(const char* name) {
    auto* b = form->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  void fine(bool on) {
    auto* c = form->findChild<QCheckBox*>("Check1");
    if (c->isChecked() != on) QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(6, c->height() / 2));
    ASSERT_EQ(c->isChecked(), on);
  }
  void scale(const QString& text) {
    auto* t = form->findChild<QLineEdit*>("Text1");
    typeInto(t, text);
    ASSERT_EQ(t->text(), text);
    press("Command5");
  }
  QString angleLabel() { return form->findChild<QLabel*>("Label1")->text(); }

  // The picture as the preview shows it: square (row r, column c) at (5c, 155 - 5r).
  Image32 preview() {
    Image32 shown{};
    for (int r = 0; r < 32; ++r) {
      for (int c = 0; c < 32; ++c) {
        const std::int64_t colour = form->client().getPixel(5 * c + 2, 157 - 5 * r);
        int index = -1;
        for (int k = 0; k < 16 && index < 0; ++k)
          if (colour == paletteColour(k)) index = k;
        EXPECT_GE(index, 0) << "row " << r << " column " << c;
        shown[r * 32 + c] = static_cast<std::uint8_t>(std::max(index, 0));
      }
    }
    return shown;
  }

  Image32 source{};
  Form14* form = nullptr;
};

TEST_F(TransformationWindow, ShowsTheCapturedPictureEnlarged) {
  EXPECT_EQ(form->windowTitle(), "画像の変形処理");
  EXPECT_EQ(preview(), source);
  // Each square is 5 x 5: the corners of the bottom-left square share its colour.
  EXPECT_EQ(form->client().getPixel(0, 159), form->client().getPixel(4, 155));
  EXPECT_EQ(form->transform().scale, 0) << "the identity at first activation leaves the scale unset";
}

TEST_F(TransformationWindow, ButtonsMoveAPixelTheWayTheyShow) {
  // One marked pixel on a blank picture; positions are (row, column), row 0 at the bottom.
  const struct {
    const char* button;
    int row, column, toRow, toColumn;
  } cases[] = {
      {"Command1", 3, 5, 28, 5},      // flip top to bottom
      {"Command2", 3, 5, 3, 26},      // flip left to right
      {"Command3_0", 31, 31, 31, 0},  // left turn takes the top right to the top left
      {"Command3_1", 31, 0, 31, 31},  // right turn takes the top left to the top right
      {"Command6_0", 3, 5, 4, 5},     // up
      {"Command6_1", 3, 5, 3, 4},     // left
      {"Command6_2", 3, 5, 3, 6},     // right
      {"Command6_3", 3, 5, 2, 5},     // down
  };
  for (const auto& c : cases) {
    state().IconPixels.fill(0);
    state().IconPixels[static_cast<std::size_t>(c.row * 32 + c.column)] = 9;
    form->findChild<QAction*>("mnuGET")->trigger();
    press(c.button);
    Image32 expected{};
    expected[static_cast<std::size_t>(c.toRow * 32 + c.toColumn)] = 9;
    EXPECT_EQ(preview(), expected) << c.button;
  }
}

TEST_F(TransformationWindow, FineRotationResamplesFromTheCapturedPicture) {
  press("Command1");  // flip, then fine turns: the flip is lost
  fine(true);
  press("Command3_0");
  EXPECT_EQ(angleLabel(), "5°");
  press("Command3_1");
  EXPECT_EQ(angleLabel(), "0°");
  EXPECT_EQ(preview(), source);

  press("Command3_1");
  EXPECT_EQ(angleLabel(), "355°") << "one right step from 0";
  press("Command3_0");

  // A quarter turn in fine steps turns about pixel (15, 15): column 31 comes from outside.
  for (int i = 0; i < 18; ++i) press("Command3_0");
  EXPECT_EQ(angleLabel(), "90°");
  Image32 quarter{};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 31; ++x) quarter[y * 32 + x] = source[(30 - x) * 32 + y];
  EXPECT_EQ(preview(), quarter);

  for (int i = 18; i < 72; ++i) press("Command3_0");
  EXPECT_EQ(angleLabel(), "0°") << "72 steps make a full turn";
  EXPECT_EQ(preview(), source);

  // Without the fine tick the buttons turn by 90 degrees and leave the angle alone.
  fine(false);
  press("Command3_0");
  EXPECT_EQ(angleLabel(), "0°");
  EXPECT_NE(preview(), source);
}

TEST_F(TransformationWindow, ScaleBoxResamplesAboutTheCentre) {
  const auto resampled = [this](double s) {
    Image32 r{};
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const int sx = static_cast<int>(std::nearbyint((x - 15) / s)) + 15;
        const int sy = static_cast<int>(std::nearbyint((y - 15) / s)) + 15;
        if (sx >= 0 && sx < 32 && sy >= 0 && sy < 32) r[y * 32 + x] = source[sy * 32 + sx];
      }
    }
    return r;
  };
  const struct {
    QString text;
    double scale;
  } cases[] = {{"2", 2.0}, {"0.5", 0.5}, {"", 1.0}, {"-1", -1.0}};
  for (const auto& c : cases) {
    scale(c.text);
    EXPECT_EQ(preview(), resampled(c.scale)) << c.text.toStdString();
    EXPECT_EQ(form->transform().scale, c.scale) << c.text.toStdString();
  }
  // Halved: the border around the centre is index 0.
  scale("0.5");
  EXPECT_EQ(preview()[0], 0);
  EXPECT_EQ(preview()[15 * 32 + 15], source[15 * 32 + 15]);
}

TEST_F(TransformationWindow, RestoreUndoesOnlyTheLastShift) {
  press("Command7");
  EXPECT_EQ(preview(), Image32{}) << "before any shift the backup is blank";

  state().IconPixels.fill(0);
  state().IconPixels[10 * 32 + 10] = 12;
  form->findChild<QAction*>("mnuGET")->trigger();
  press("Command6_0");  // up: row 11
  press("Command6_2");  // right: column 11
  press("Command7");
  Image32 expected{};
  expected[11 * 32 + 10] = 12;
  EXPECT_EQ(preview(), expected);
}

TEST_F(TransformationWindow, ExecuteWritesThePictureAndStoresAHistoryRecord) {
  const int before = state().HistoryIndex;
  press("Command2");
  Image32 flipped = source;
  FlipHorizontal(flipped);
  press("Command4");
  EXPECT_TRUE(std::equal(flipped.begin(), flipped.end(), state().IconPixels.begin()));
  ASSERT_EQ(state().HistoryIndex, before + 1);
  const auto& record = state().History[static_cast<std::size_t>(state().HistoryIndex)].pixels;
  EXPECT_TRUE(std::equal(flipped.begin(), flipped.end(), record.begin()));
  EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(TransformationWindow, OverflowingScaleShowsTheMessageAndKeepsThePicture) {
  press("Command1");
  const Image32 flipped = preview();
  scale("1e-300");
  ASSERT_EQ(ui.messages.size(), 1);
  EXPECT_EQ(ui.messages[0], QString::fromUtf8(kOverflowMessage));
  EXPECT_EQ(preview(), flipped);

  // The scale stays stored: a fine turn fails too, but the angle has already moved.
  fine(true);
  press("Command3_0");
  EXPECT_EQ(ui.messages.size(), 2);
  EXPECT_EQ(angleLabel(), "5°");
  EXPECT_EQ(preview(), flipped);
}

TEST_F(TransformationWindow, GetImageRecapturesWithoutTouchingTheLabel) {
  fine(true);
  press("Command3_0");
  press("Command3_0");
  Image32 other{};
  other.fill(4);
  std::copy(other.begin(), other.end(), state().IconPixels.begin());
  form->findChild<QAction*>("mnuGET")->trigger();
  EXPECT_EQ(preview(), other);
  EXPECT_EQ(angleLabel(), "10°") << "the label keeps the old angle";
  press("Command3_0");
  EXPECT_EQ(angleLabel(), "5°") << "but the angle starts again from 0";

  // Windows are independent; closing one leaves the other.
  Form14* second = app->create<Form14>();
  if (!second->wasActivated()) second->activate();
  EXPECT_EQ(second->transform().work, Image32(other));
  form->findChild<QAction*>("mnuEND")->trigger();
  EXPECT_TRUE(form->isUnloaded());
  EXPECT_FALSE(second->isUnloaded());
}

}  // namespace
}  // namespace pf
