#include "model/numeric_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pf {
namespace {

TEST(NumericText, RoundsHalvesToEven) {
  const struct {
    double in;
    std::int64_t out;
  } cases[] = {{7.5, 8}, {6.5, 6}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {0.5, 0}, {1.5, 2}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundToInt(1e300), std::numeric_limits<int>::max());
  EXPECT_EQ(RoundToInt(-1e300), std::numeric_limits<int>::min());
}

TEST(NumericText, DecimalReadsTheLeadingNumber) {
  const struct {
    const char* in;
    double out;
  } cases[] = {{"", 0},      {"abc", 0}, {"12", 12},          {"1b", 1},   {"  7", 7},
               {"-5", -5},   {"+3", 3},  {"7.5", 7.5},        {".5", 0.5}, {"1 2", 12},
               {"2e2", 200}, {"2e", 2},  {"1e999", HUGE_VAL}, {"-", 0},    {"99x", 99},
               {"-1", -1},   {"0x10", 0}};
  for (const auto& c : cases) EXPECT_EQ(ReadDecimal(c.in), c.out) << '"' << c.in << '"';
  EXPECT_EQ(ReadDecimalInt("7.5"), 8);
  EXPECT_EQ(ReadDecimalInt("1e999"), std::numeric_limits<int>::max());
}

TEST(NumericText, HexReadsLeadingDigits) {
  const struct {
    const char* in;
    std::int64_t out;
  } cases[] = {{"", 0}, {"b", 11}, {"1b", 27}, {"G", 0}, {"FF", 255}, {"1A", 26}, {"f0z", 240}, {"-5", 0}};
  for (const auto& c : cases) EXPECT_EQ(ReadHex(c.in), c.out) << c.in;
  EXPECT_GT(ReadHex("FFFFFFFFFFFFFFFFFFFFFFFF"), 15) << "long input saturates instead of wrapping";
}

TEST(NumericText, FullWidthTypingReadsAsItsAsciiForm) {
  const struct {
    const char* typed;
    const char* ascii;
  } cases[] = {
      {"－１", "-1"},
      {"１２", "12"},
      {"　3", " 3"},
      {"＋７．５", "+7.5"},
      {"ｂ", "b"},
      {"１Ｆ", "1F"},
      {"２ｅ２", "2e2"},
      {"３，４", "3,4"},
      {"～！", "~!"},
      {"不透明=－1", "不透明=-1"},
      {"ｱ１", "ｱ1"},
      {"\xEF\xBC", "\xEF\xBC"},          // a cut sequence stays as it is
      {"\xEF\xBC\x80", "\xEF\xBC\x80"},  // U+FF00 is no full-width form
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(AsciiNumberText(c.typed), c.ascii);
    EXPECT_EQ(ReadDecimal(c.typed), ReadDecimal(c.ascii));
    EXPECT_EQ(ReadHex(c.typed), ReadHex(c.ascii));
  }
}

}  // namespace
}  // namespace pf
