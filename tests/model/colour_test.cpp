#include "model/colour.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

TEST(PalEntryColor, BothDirectionsAndTheOthers) {
  PaletteEntry e{0x10, 0x20, 0x30, 0x77};
  ColorRef c = 0;
  EXPECT_EQ(PalEntryColor(c, e, 1), 0x102030);
  EXPECT_EQ(c, Rgb(0x30, 0x20, 0x10)) << "red in the low byte";

  ColorRef chosen = Rgb(1, 2, 3);
  EXPECT_EQ(PalEntryColor(chosen, e, 0), -1);
  EXPECT_EQ(e, (PaletteEntry{3, 2, 1, 0x77})) << "byte 3 untouched";

  ColorRef wide = 0x7F000000u | Rgb(4, 5, 6);  // only the six rightmost hex digits count
  PalEntryColor(wide, e, 0);
  EXPECT_EQ(e, (PaletteEntry{6, 5, 4, 0x77}));

  const PaletteEntry before = e;
  ColorRef untouched = 99;
  EXPECT_EQ(PalEntryColor(untouched, e, 2), 0);
  EXPECT_EQ(e, before);
  EXPECT_EQ(untouched, 99u);
}

}  // namespace
}  // namespace pf
