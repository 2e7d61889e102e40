#include "model/clipboard_picture.h"

#include <algorithm>

#include "model/colour_reduction.h"

namespace pf {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// A picture's origin in the grid, counted from the top-left: a 16 x 16 one sits in the lower-left quarter.
int TopOf(int width, int height) {
  return width <= 16 && height <= 16 ? kIconSize - 16 : 0;
}

std::size_t StorageIndex(int x, int displayRow) {
  return static_cast<std::size_t>((kIconSize - 1 - displayRow) * kIconSize + x);
}

bool Consistent(int width, int height, std::size_t count) {
  return width >= 1 && height >= 1 && width <= kIconSize && height <= kIconSize &&
         count == static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

std::uint32_t Rgb24(const PaletteEntry& e) {
  return (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
}

PaletteEntry EntryOf(std::uint32_t argb) {
  return PaletteEntry{static_cast<std::uint8_t>(argb & 0xFF), static_cast<std::uint8_t>((argb >> 8) & 0xFF),
                      static_cast<std::uint8_t>((argb >> 16) & 0xFF), 0};
}

bool HasTransparent(const ArgbPicture& image) {
  return std::any_of(image.pixels.begin(), image.pixels.end(), IsTransparent);
}

// The entry an opaque colour takes when the transparent index is kept out: entries in order, skipping it.
int Slot(int i, int transparentIndex, bool skip) {
  return skip && i >= transparentIndex ? i + 1 : i;
}

}  // namespace

std::string GridText(std::span<const std::uint8_t> pixels, int size) {
  std::string text;
  if (pixels.size() < static_cast<std::size_t>(kPixelCount)) return text;
  const int n = size == 16 ? 16 : kIconSize;
  const int top = kIconSize - n;
  for (int y = top; y < kIconSize; ++y) {
    for (int x = 0; x < n; ++x) text += kDigits[pixels[StorageIndex(x, y)] & 0x0F];
    text += '\n';
  }
  return text;
}

std::optional<IndexedPicture> ParseGridText(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
      line.remove_suffix(1);
    lines.push_back(line);
    // More lines than any grid has: no need to look further.
    if (lines.size() > 3 * kIconSize) return std::nullopt;
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  const auto first = std::find_if(lines.begin(), lines.end(), [](std::string_view l) { return !l.empty(); });
  lines.erase(lines.begin(), first);
  const std::size_t n = lines.size();
  if (n != 16 && n != static_cast<std::size_t>(kIconSize)) return std::nullopt;
  IndexedPicture grid{static_cast<int>(n), static_cast<int>(n), {}};
  grid.indices.reserve(n * n);
  for (const std::string_view line : lines) {
    if (line.size() != n) return std::nullopt;
    for (const char c : line) {
      const char* at = std::find(kDigits, kDigits + 16, static_cast<char>(c >= 'a' && c <= 'f' ? c - 32 : c));
      if (at == kDigits + 16) return std::nullopt;
      grid.indices.push_back(static_cast<std::uint8_t>(at - kDigits));
    }
  }
  return grid;
}

ArgbPicture GridPicture(std::span<const std::uint8_t> pixels, const Palette& palette, int size,
                        const MaskGridArray& transparent) {
  ArgbPicture image;
  if (pixels.size() < static_cast<std::size_t>(kPixelCount)) return image;
  const int n = size == 16 ? 16 : kIconSize;
  const int top = kIconSize - n;
  image.width = image.height = n;
  image.pixels.reserve(static_cast<std::size_t>(n * n));
  for (int y = top; y < kIconSize; ++y) {
    for (int x = 0; x < n; ++x) {
      const PaletteEntry& e = palette[pixels[StorageIndex(x, y)] & 0x0F];
      const bool clear = transparent[static_cast<std::size_t>(y * kIconSize + x)] != 0;
      image.pixels.push_back((clear ? 0u : 0xFF000000u) | Rgb24(e));
    }
  }
  return image;
}

std::optional<IndexedPicture> IndicesInPalette(const ArgbPicture& image, const Palette& palette,
                                               int transparentIndex) {
  if (!Consistent(image.width, image.height, image.pixels.size())) return std::nullopt;
  const int t = std::clamp(transparentIndex, 0, 15);
  IndexedPicture out{image.width, image.height, {}};
  out.indices.reserve(image.pixels.size());
  for (const std::uint32_t argb : image.pixels) {
    if (IsTransparent(argb)) {
      out.indices.push_back(static_cast<std::uint8_t>(t));
      continue;
    }
    int found = -1;
    for (int i = 0; i < 16; ++i) {
      if (Rgb24(palette[static_cast<std::size_t>(i)]) != (argb & 0xFFFFFFu)) continue;
      if (i != t) {
        found = i;
        break;
      }
      if (found < 0) found = i;
    }
    if (found < 0) return std::nullopt;
    out.indices.push_back(static_cast<std::uint8_t>(found));
  }
  return out;
}

bool GridShowsPicture(const IndexedPicture& grid, const ArgbPicture& image, const Palette& palette,
                      int transparentIndex) {
  if (grid.width != image.width || grid.height != image.height || grid.indices.size() != image.pixels.size())
    return false;
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    const int v = grid.indices[i] & 0x0F;
    if (IsTransparent(image.pixels[i])
            ? v != transparentIndex
            : Rgb24(palette[static_cast<std::size_t>(v)]) != (image.pixels[i] & 0xFFFFFFu))
      return false;
  }
  return true;
}

std::optional<PalettedPicture> OwnColours(const ArgbPicture& image, int transparentIndex) {
  if (!Consistent(image.width, image.height, image.pixels.size())) return std::nullopt;
  const int t = std::clamp(transparentIndex, 0, 15);
  const bool skip = HasTransparent(image);
  std::vector<std::uint32_t> colours;
  PalettedPicture out;
  out.picture = {image.width, image.height, {}};
  out.picture.indices.reserve(image.pixels.size());
  for (const std::uint32_t argb : image.pixels) {
    if (IsTransparent(argb)) {
      out.picture.indices.push_back(static_cast<std::uint8_t>(t));
      continue;
    }
    const std::uint32_t rgb = argb & 0xFFFFFFu;
    auto at = std::find(colours.begin(), colours.end(), rgb);
    if (at == colours.end()) {
      if (colours.size() == (skip ? 15u : 16u)) return std::nullopt;
      colours.push_back(rgb);
      at = colours.end() - 1;
    }
    out.picture.indices.push_back(
        static_cast<std::uint8_t>(Slot(static_cast<int>(at - colours.begin()), t, skip)));
  }
  for (std::size_t i = 0; i < colours.size(); ++i)
    out.palette[static_cast<std::size_t>(Slot(static_cast<int>(i), t, skip))] = EntryOf(colours[i]);
  return out;
}

std::optional<PalettedPicture> ReducedColours(const ArgbPicture& image, int transparentIndex, int threshold) {
  if (!Consistent(image.width, image.height, image.pixels.size())) return std::nullopt;
  const int t = std::clamp(transparentIndex, 0, 15);
  const bool skip = HasTransparent(image);
  std::vector<PaletteEntry> opaque;
  for (const std::uint32_t argb : image.pixels) {
    if (!IsTransparent(argb)) opaque.push_back(EntryOf(argb));
  }
  PalettedPicture out;
  out.picture = {image.width, image.height,
                 std::vector<std::uint8_t>(image.pixels.size(), static_cast<std::uint8_t>(t))};
  if (opaque.empty()) return out;
  // The reduction's first colours are its strongest: with a transparent entry to keep, the last one goes.
  Palette chosen = ReducePalette(opaque, threshold).palette;
  if (skip) chosen[15] = chosen[0];  // a repeat of entry 0 is never the nearest (the lowest index wins)
  const std::vector<std::uint8_t> nearest = NearestIndices(opaque, chosen);
  const int used = skip ? 15 : 16;
  for (int i = 0; i < used; ++i)
    out.palette[static_cast<std::size_t>(Slot(i, t, skip))] = chosen[static_cast<std::size_t>(i)];
  std::size_t k = 0;
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    if (IsTransparent(image.pixels[i])) continue;
    out.picture.indices[i] = static_cast<std::uint8_t>(Slot(nearest[k++], t, skip));
  }
  return out;
}

bool PlacePicture(const IndexedPicture& picture, std::span<std::uint8_t> pixels) {
  if (!Consistent(picture.width, picture.height, picture.indices.size()) ||
      pixels.size() < static_cast<std::size_t>(kPixelCount))
    return false;
  const int top = TopOf(picture.width, picture.height);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      pixels[StorageIndex(x, top + y)] =
          picture.indices[static_cast<std::size_t>(y * picture.width + x)] & std::uint8_t{0x0F};
    }
  }
  return true;
}

}  // namespace pf
