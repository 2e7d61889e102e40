#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>

#include "platform/form.h"

namespace pf {
namespace {

TEST(DialogTexts, StandardButtonsSpeakJapanese) {
  // The test program loads the translation the way the editor does at start-up.
  QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "キャンセル");
  EXPECT_NE(box.button(QDialogButtonBox::Yes)->text(), "&Yes");
  EXPECT_NE(box.button(QDialogButtonBox::No)->text(), "&No");
}

TEST(DialogTexts, CommandCaptionsLoseTheirAccelerator) {
  EXPECT_EQ(CaptionWithoutAccelerator("開く(&O)"), "開く");
  EXPECT_EQ(CaptionWithoutAccelerator("ワークファイルを保存"), "ワークファイルを保存");
  EXPECT_EQ(CaptionWithoutAccelerator("&Save"), "Save");
  EXPECT_EQ(CaptionWithoutAccelerator("A(&B)C"), "A(B)C") << "only a trailing accelerator is dropped whole";
}

}  // namespace
}  // namespace pf
