#include "model/local_name.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

TEST(LocalName, EveryByteStringRoundTripsAndValidUtf8ReadsAsItsText) {
  const struct {
    std::string bytes;
    std::u16string name;
  } cases[] = {
      {"/t/face.ico", u"/t/face.ico"},
      {"\xe9\x80\x81\xe3\x82\x8b.dat", u"送る.dat"},
      {"\xf0\x9f\x98\x80", u"\U0001F600"},
      {"x\xff.dat", u"x\xdcff.dat"},
      // Overlong, an encoded surrogate, a cut sequence, beyond U+10FFFF: each byte its own escape.
      {"\xc0\xaf", u"\xdcc0\xdcaf"},
      {"\xed\xa0\x80", u"\xdced\xdca0\xdc80"},
      {"a\xe3\x82", u"a\xdce3\xdc82"},
      {"\xf4\x90\x80\x80", u"\xdcf4\xdc90\xdc80\xdc80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(DecodeLocalName(c.bytes), c.name);
    EXPECT_EQ(EncodeLocalName(c.name), c.bytes);
  }
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(EncodeLocalName(DecodeLocalName(all)), all);
  EXPECT_EQ(EncodeLocalName(u"\xd800x"), "\xef\xbf\xbdx") << "a lone surrogate that is no escape";
}

TEST(LocalName, CodePointsTravelOneByOneAndOnlyCharactersAndEscapesAppend) {
  EXPECT_EQ(NameCodePoints(u"a\U0001F600\xdcff"), (std::vector<char32_t>{'a', 0x1F600, 0xDCFF}));
  const struct {
    char32_t code;
    std::u16string units;
  } cases[] = {{'a', u"a"},
               {0x1F600, u"\U0001F600"},
               {0xDC80, u"\xdc80"},
               {0xDCFF, u"\xdcff"},
               {0, u""},
               {0xD800, u""},
               {0xDC7F, u""},
               {0xDD00, u""},
               {0x110000, u""},
               {static_cast<char32_t>(-5), u""}};
  for (const auto& c : cases) EXPECT_EQ(NameUnitsOf(c.code), c.units) << static_cast<std::uint32_t>(c.code);
}

}  // namespace
}  // namespace pf
