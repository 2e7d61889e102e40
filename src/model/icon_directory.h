// Whole icon files: the directory read into entries whose bytes are kept as stored, one image put in
// (replacing the image of its kind, or added), and the file written again with every other image as it
// was. This is what lets a save into an icon of eight images change one of them and keep seven.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/shared_state.h"

namespace pf {

// One image of an icon file: its 16 directory bytes and the bytes the directory points at, exactly as
// they were stored. Only the offset in the directory entry is rewritten when the file is written again.
struct IconEntry {
  DirEntry entry{};
  std::vector<std::uint8_t> image;
};

// What a save replaces: the first image of the file of the same edge (a 0 in the directory meaning 256)
// stored the same way, a bitmap of the same bit count without compression, or a PNG.
struct IconImageKind {
  int edge = 0;
  int bitCount = 0;  // 0 for a PNG
  bool png = false;
  bool operator==(const IconImageKind&) const = default;
};

// The images the program's saves write.
inline constexpr IconImageKind kFourBitIcon32{32, 4, false};
inline constexpr IconImageKind kFourBitIcon16{16, 4, false};
constexpr IconImageKind FullColourKind(int edge) {
  return {edge, 24, false};
}

// The kind of an entry; a bitmap header of another size than the known ones gives bit count -1, which
// no save makes.
IconImageKind KindOfEntry(const IconEntry& entry);

// The images of an icon file, in directory order. Nothing for a file that is not an icon (reserved 0,
// type 1, at least one image) whose every image starts inside the file: such a file is replaced whole.
// An image whose size runs past the end of the file is taken as far as the file goes.
std::optional<std::vector<IconEntry>> ReadIconEntries(std::span<const std::uint8_t> bytes);

// The entries of a single-image icon file as the writers make it, or nothing.
std::optional<IconEntry> SingleImageOf(std::span<const std::uint8_t> singleImageFile);

// The icon file of the entries, largest first (by edge; entries of one edge keep their order), the
// directory's offsets and sizes matching the images behind it. One entry of a writer's single-image
// file comes out as exactly that file.
std::vector<std::uint8_t> BuildIconFromEntries(std::vector<IconEntry> entries);

// How an image goes into an existing file.
struct IconPut {
  std::size_t others = 0;  // images of the file that are kept
  bool replaces = false;   // an image of the same kind is replaced (else the image is added)
};

// What putting an image of `kind` into the file `existing` would do; nothing when `existing` is no
// readable icon (it is then replaced whole).
std::optional<IconPut> PlanIconPut(std::span<const std::uint8_t> existing, IconImageKind kind);

// `existing` with the image of every single-image file of `images` put in, each replacing the first
// image of its kind or else added. An `existing` that is not a readable icon (an empty one too) counts
// as none, so one image comes out as its own file, byte for byte. Empty when an image is no
// single-image icon file.
std::vector<std::uint8_t> PutIconImages(std::span<const std::uint8_t> existing,
                                        const std::vector<std::vector<std::uint8_t>>& images);

// Writes the single-image icon file `image` into the file at `path` with the atomic writer, keeping the
// other images of an icon that is there. False when nothing could be written (the file is left as it was).
bool WriteIconImage(const std::string& path, std::span<const std::uint8_t> image);

}  // namespace pf
