// PNG, the picture format every other program reads: the 16-colour picture written as an indexed PNG
// (4 bits a pixel, its 16 colours as the palette, the transparent colour as the palette's transparency),
// full colour pictures with alpha as the large images of icon files, and a small picture a decoder has
// read (a PNG or GIF of at most 32 x 32 and 16 colours) taken as the editor's picture exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

// An indexed PNG of width x height palette numbers (rows from the top, the low 4 bits used) with a
// 16-entry palette; `transparentIndex` 0..15 is fully transparent, -1 (or anything else) none. Empty for a
// size outside 1..256 or too few pixels.
std::vector<std::uint8_t> EncodeIndexedPng(const Palette& palette, std::span<const std::uint8_t> indices,
                                           int width, int height, int transparentIndex);
// An 8-bit RGBA PNG of width x height pixels (red, green, blue, alpha; rows from the top). Empty for a
// size outside 1..4096 or too few bytes.
std::vector<std::uint8_t> EncodeRgbaPng(std::span<const std::uint8_t> rgba, int width, int height);

// The indexed PNG of the editor's 32 x 32 picture, or of the lower-left 16 x 16 quarter when `edge` is 16
// (the quarter the 16 x 16 icon saves write).
std::vector<std::uint8_t> BuildIconPng(std::span<const std::uint8_t> iconPixels, const Palette& palette,
                                       int transparentIndex, int edge);
// The palette number that exactly the masked pixels of the lower-left edge x edge have (the packed
// 128-byte mask, bottom row first), so that a PNG's transparent entry masks the same pixels; -1 when no
// pixel is masked or no one number is.
int TransparentIndexOfMask(std::span<const std::uint8_t> iconPixels, std::span<const std::uint8_t> mask128,
                           int edge);

// Written through WriteFileAtomically; false when it could not be.
bool WriteIconPng(const std::string& path, std::span<const std::uint8_t> iconPixels, const Palette& palette,
                  int transparentIndex, int edge);

// A picture as a decoder gives it: 0xAARRGGBB pixels, rows from the top, and for a picture stored with a
// palette its colour table and each pixel's number in it.
struct DecodedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
  std::vector<std::uint32_t> table;   // empty for a picture without a palette
  std::vector<std::uint8_t> indices;  // width * height when `table` is given
};

enum class SmallPictureStatus {
  Ok,
  TooLarge,        // wider or higher than 32
  TooManyColours,  // more than 16 colours, counting transparency, or alpha other than 0 and 255
};

// The editor's picture of a small picture, placed in the lower-left corner with palette number 0 and an
// opaque mask around it. A picture stored with at most 16 colours keeps its palette numbers; one without
// a palette takes its colours in the order they first appear, top row first. Pixels of alpha 0 are
// transparent: they take one palette number (the palette's transparent entry, else one more entry after
// the colours), which becomes `transparentIndex` (-1 when there are none), and their mask cells are 1.
struct SmallPicture {
  SmallPictureStatus status = SmallPictureStatus::Ok;
  Palette palette{};
  PixelArray pixels{};
  MaskGridArray mask{};
  int transparentIndex = -1;
};
SmallPicture ReadSmallPicture(const DecodedPicture& picture);

}  // namespace pf
