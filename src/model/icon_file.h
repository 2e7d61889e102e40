// Reading and writing the 16-colour picture files: .ico (32 x 32 and 16 x 16 images), 4-bit .bmp up to
// 32 x 32, and the exchange file another program hands over by name.
//
// The parsers and builders work on bytes only; the path-taking functions read or write the whole file
// around them. All multi-byte numbers are little-endian. Every reader checks that the bytes it needs are
// there before it copies anything, so a short or inconsistent file is rejected, never read past.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

inline constexpr std::size_t kIcon32FileSize = 766;
inline constexpr std::size_t kIcon16FileSize = 318;
inline constexpr std::size_t kBitmapDataOffset = 118;
inline constexpr std::size_t kExchangeMaskOffset = 578;

enum class IconReadStatus {
  Ok,
  Failed,
  HeightTooLarge,  // the window shows "高さが、32を超えています。"
  WidthTooLarge,   // the window shows "幅が、32を超えています。"
};

// Where a read of a 32 x 32 icon or a bitmap puts its results. The main window passes IconPalette, its
// packed staging buffer and IconMask; other windows pass buffers of their own. The header copies of the
// file (IconDirHeader, IconDirEntries, IconImageHeaders, BitmapFileHeader, BitmapWidth, BitmapHeight)
// always go to the shared state.
struct IconReadTargets {
  Palette& palette;
  std::span<std::uint8_t> packed;  // at least 512 bytes
  std::span<std::uint8_t> mask;    // at least 128 bytes; written by icon reads only
  SharedState& headers;
};

// The 32 x 32 16-colour image of an icon file: the first 32 x 32 entry whose own header says uncompressed
// 4-bit rows, whatever else the directory holds. Its colour table has as many entries as the header's
// colours used (0 meaning 16), entries it lacks are black, and the pixels and the mask follow the table.
// On success the palette, the 512 packed pixel bytes and the 128 mask bytes are replaced. When the
// directory has been read but no usable image is found, only the header copies have been replaced.
IconReadStatus ParseIcon32(std::span<const std::uint8_t> bytes, const IconReadTargets& targets);

// A 4-bit bitmap of at most 32 x 32 pixels ("BM", a 40-, 108- or 124-byte information header, no
// compression, bottom row first), placed in the lower-left corner of the packed buffer with index 0
// around it. The colour table follows the information header with colours used entries (0 meaning 16,
// at most 16 taken, the rest black); the rows start at the file's data offset (right behind the table
// when that field is 0). The mask is not touched. Once the headers of a "BM" file have been read, the
// palette is black and the bitmap header copies are replaced whether or not the read goes on to succeed.
IconReadStatus ParseBitmap16(std::span<const std::uint8_t> bytes, const IconReadTargets& targets);

// Kind 0 reads an icon, kind 1 a bitmap. The packed buffer is zeroed first, on every path.
IconReadStatus ReadIconFile(const std::string& path, int kind, const IconReadTargets& targets);

// Which reader a 16-colour picture file goes to. The file's own name decides by its ending, in any letter
// case: ".ico" an icon, ".bmp" a bitmap (the folders it lies in never count: ~/.icons/face.bmp is a
// bitmap). A name that says neither (no ending, or another one) is decided by the file's first bytes:
// "BM" a bitmap, 0 0 1 0 an icon directory. kPictureKindBytes is how many bytes that look needs.
enum class PictureKind { Unknown, Icon, Bitmap };
inline constexpr std::size_t kPictureKindBytes = 4;
PictureKind PictureKindByName(std::string_view path);
PictureKind PictureKindOf(std::string_view path, std::span<const std::uint8_t> firstBytes);

// The 16 x 16 16-colour image of an icon file (chosen like the 32 x 32 one), written into storage rows
// 0..15, columns 0..15 of a 1024-element pixel array; the rest of the array, and every palette and mask, stay
// as they are. Returns 0 on success, -1 on failure (the window then shows
// "１６色でないか、または、サイズがことなります。").
int ReadIcon16(std::span<const std::uint8_t> bytes, std::span<std::uint8_t> pixels, SharedState& headers);
int ReadIcon16(const std::string& path, std::span<std::uint8_t> pixels, SharedState& headers);

// The picture of an exchange file. `size` is 16 for a 16 x 16 picture (packed 8 bytes a row in the first
// 128 bytes, mask in the first 64 bytes), anything else up to 32 is unpacked as 32 x 32. Bytes the file
// does not fill are 0.
struct ExchangeImage {
  int size = 0;
  Palette palette{};
  std::array<std::uint8_t, kPackedSize> packed{};
  std::array<std::uint8_t, kMaskSize> mask{};
};

// Nothing for an empty file, a size above 32, or a file shorter than 578 + size * 4 bytes.
std::optional<ExchangeImage> ReadExchangeFile(std::span<const std::uint8_t> bytes);
std::optional<ExchangeImage> ReadExchangeFile(const std::string& path);

// The exchange file of a 32 x 32 picture (size byte 32): 578 + 128 bytes, read back by ReadExchangeFile
// exactly. Empty when a buffer is too short.
std::vector<std::uint8_t> BuildExchangeFile(const Palette& palette, std::span<const std::uint8_t> packed512,
                                            std::span<const std::uint8_t> mask128);

// The 766-byte single-image 32 x 32 icon. Empty when a buffer is too short.
std::vector<std::uint8_t> BuildIcon32(const Palette& palette, std::span<const std::uint8_t> packed512,
                                      std::span<const std::uint8_t> mask128);

// The AND mask of a packed 32 x 32 picture: a bit is set for every pixel of the transparent index, or
// none at all when `opaque`.
void BuildMaskFromTransparent(std::span<const std::uint8_t> packed512, int transparentIndex, bool opaque,
                              std::span<std::uint8_t> mask128);

// The 318-byte 16 x 16 icon of the lower-left quarter of a 1024-element pixel array; pixels equal to the
// transparent index (-1 for none) are marked in the mask. Empty when the array is too short.
std::vector<std::uint8_t> BuildIcon16(std::span<const std::uint8_t> iconPixels, const Palette& palette,
                                      int transparentIndex);

// A 4-bit bitmap of the lower-left width x height pixels of a packed 32 x 32 picture. Empty when the
// size lies outside 1..32 or the buffer is too short.
std::vector<std::uint8_t> BuildBitmapFile(std::span<const std::uint8_t> packed512, int width, int height,
                                          const Palette& palette);

// Write through WriteFileAtomically. The icon writers keep the other images of an icon file that is there
// (WriteIconImage) and return whether the file was written (the window
// shows "Open できません。" otherwise); WriteBitmapFile returns 0 or -1 ("SAVEできませんでした。").
bool WriteIcon32(const std::string& path, const Palette& palette, std::span<const std::uint8_t> packed512,
                 std::span<const std::uint8_t> mask128);
bool WriteIcon16(const std::string& path, std::span<const std::uint8_t> iconPixels, const Palette& palette,
                 int transparentIndex);
int WriteBitmapFile(const std::string& path, std::span<const std::uint8_t> packed512, int width, int height,
                    const Palette& palette);

}  // namespace pf
