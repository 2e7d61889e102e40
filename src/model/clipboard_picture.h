// The picture as it travels through the clipboard to and from other programs: as text, one line of
// hexadecimal digits per row, top row first, exactly as the grid shows it; and as an image, whose colours
// are turned into palette numbers by the first rule that fits (the current palette's colours, the
// image's own few colours, or the reduction to 16 colours).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

// Palette numbers, row after row from the top.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;
};

// Colours 0xAARRGGBB, row after row from the top. Alpha below 128 is a transparent pixel.
struct ArgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};
constexpr bool IsTransparent(std::uint32_t argb) {
  return (argb >> 24) < 128;
}

// The grid as text: `size` lines of `size` digits ("0".."F"), each ended by a line feed. A size of 16
// gives the lower-left quarter, where a 16 x 16 icon lives; any other size gives all 32 x 32.
std::string GridText(std::span<const std::uint8_t> pixels, int size);

// Such a text read back: 32 lines of 32 digits or 16 lines of 16 (either case, CR LF or LF, blanks around
// a line and empty lines before and after are allowed). Nothing for any other text.
std::optional<IndexedPicture> ParseGridText(std::string_view text);

// The picture as an image: `size` 16 gives the lower-left quarter. A pixel whose cell of `transparent`
// (rows from the top, 1 = transparent, like the mask grid) is set gets alpha 0, the others 255.
ArgbPicture GridPicture(std::span<const std::uint8_t> pixels, const Palette& palette, int size,
                        const MaskGridArray& transparent);

// An image of at most 32 x 32 whose opaque colours are all in the palette: each pixel takes the first
// entry of its colour other than `transparentIndex` (that one only when no other has the colour);
// transparent pixels take `transparentIndex`. Nothing when a colour is missing or the image is larger.
std::optional<IndexedPicture> IndicesInPalette(const ArgbPicture& image, const Palette& palette,
                                               int transparentIndex);

// Whether `grid` is the image's picture in the palette: transparent pixels are `transparentIndex`, the
// others show the image's colour. The text copied beside an image then tells apart entries that share
// a colour.
bool GridShowsPicture(const IndexedPicture& grid, const ArgbPicture& image, const Palette& palette,
                      int transparentIndex);

struct PalettedPicture {
  Palette palette{};
  IndexedPicture picture;
};

// An image of at most 32 x 32 with at most 16 opaque colours, which become the palette in the order
// they first appear (rows from the top); the entries left over are black. When the image has transparent
// pixels they take `transparentIndex`, whose entry is black and is kept out of the colours, so then at
// most 15 fit. Nothing otherwise.
std::optional<PalettedPicture> OwnColours(const ArgbPicture& image, int transparentIndex);

// Any image of at most 32 x 32 reduced to 16 colours by the reduction of the photo windows at
// `threshold`; with transparent pixels, which take `transparentIndex`, the 15 colours the reduction
// chooses first go into the other entries. Nothing for an empty or larger image.
std::optional<PalettedPicture> ReducedColours(const ArgbPicture& image, int transparentIndex, int threshold);

// Puts a picture of at most 32 x 32 into the icon's pixels: one of at most 16 x 16 into the lower-left
// quarter, where a 16 x 16 icon lives, a larger one from the top-left corner; the pixels it does not
// cover stay. False (nothing changed) for a larger or inconsistent picture.
bool PlacePicture(const IndexedPicture& picture, std::span<std::uint8_t> pixels);

}  // namespace pf
