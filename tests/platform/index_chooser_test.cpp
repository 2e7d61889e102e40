#include "platform/index_chooser.h"

#include <gtest/gtest.h>

#include <QProxyStyle>
#include <QTest>
#include <memory>
#include <vector>

namespace pf {
namespace {

// A desktop style on which one click activates the item, as some Linux desktops configure it.
class SingleClickStyle final : public QProxyStyle {
 public:
  explicit SingleClickStyle(bool single) : single_(single) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_ItemView_ActivateItemOnSingleClick) return single_ ? 1 : 0;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }

 private:
  bool single_;
};

TEST(IndexChooser, OneClickOrOneEnterIsOneChoiceOnEveryStyle) {
  for (const bool single : {false, true}) {
    SCOPED_TRACE(single ? "single-click style" : "double-click style");
    QWidget window;
    window.resize(200, 400);
    std::vector<int> chosen;
    auto* list = new IndexChooser(&window, QStringLiteral("List"), QRect(0, 0, 80, 380),
                                  [&chosen](int row) { chosen.push_back(row); });
    SingleClickStyle style(single);
    list->setStyle(&style);
    window.show();
    list->ask();

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(5)).center());
    EXPECT_EQ(chosen, std::vector<int>{5});

    list->ask();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(chosen, (std::vector<int>{5, 1}));
    list->setStyle(nullptr);
  }
}

}  // namespace
}  // namespace pf
