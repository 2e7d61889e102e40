// pictoforge-icon-png: the program's own icon, from its icon files to the desktop's PNG sizes.
//
//   pictoforge-icon-png ICON.ico SCALE OUT.png
//     Each pixel of the 32 x 32 or 16 x 16 icon becomes a SCALE x SCALE block, fully transparent where
//     the mask says so. Never smoothed: the enlarged icon shows exactly the pixels drawn. SCALE may be a
//     fraction N/D ("3/2" makes 48 pixels of 32): each output pixel then shows the icon pixel it lies on,
//     so some pixels are drawn one wider than others but every one of them is there.
//   pictoforge-icon-png --author DESIGN.txt PALETTE.pal OUT.ico
//     Writes the icon drawn in DESIGN.txt with the editor's own icon writers, in the colours of the
//     current set of PALETTE.pal. DESIGN.txt is the grid as the editor shows it: 32 (or 16) lines of as
//     many hexadecimal palette numbers, top row first, after a line "transparent N"; lines starting
//     with '#' are comments.
#include <QImage>
#include <QString>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/file_io.h"
#include "model/icon_file.h"
#include "model/packing.h"
#include "model/palette_set.h"
#include "model/shared_state.h"

namespace {

using namespace pf;

// A decoded icon as the editor holds it: the 32 x 32 grid, a 16 x 16 icon in its lower-left quarter.
struct Picture {
  int size = 0;
  Palette palette{};
  std::array<std::uint8_t, kPixelCount> pixels{};  // storage order: row 0 is the bottom row
  MaskGridArray mask{};                            // rows from the top, 1 = transparent
};

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

// Whether the icon's directory lists an image of this width and height.
bool HasEntry(const std::vector<std::uint8_t>& bytes, int size) {
  if (bytes.size() < 6) return false;
  const std::size_t count = bytes[4] | (bytes[5] << 8);
  for (std::size_t i = 0; i < count && 6 + 16 * i + 16 <= bytes.size(); ++i) {
    if (bytes[6 + 16 * i] == size && bytes[6 + 16 * i + 1] == size) return true;
  }
  return false;
}

std::optional<Picture> Decode32(const std::vector<std::uint8_t>& bytes) {
  auto state = std::make_unique<SharedState>();
  Picture p;
  std::array<std::uint8_t, kPackedSize> packed{};
  std::array<std::uint8_t, kMaskSize> mask{};
  if (ParseIcon32(bytes, {p.palette, packed, mask, *state}) != IconReadStatus::Ok) return std::nullopt;
  p.size = 32;
  UnpackPixels32(packed, p.pixels);
  UnpackMask(mask, p.mask);
  return p;
}

// The editor's 16 x 16 reader gives the pixels; the palette and mask of the same directory entry follow
// the layout of a 16-colour image (40-byte header, 64-byte palette, 128 pixel bytes, 64 mask bytes).
std::optional<Picture> Decode16(const std::vector<std::uint8_t>& bytes) {
  auto state = std::make_unique<SharedState>();
  Picture p;
  if (ReadIcon16(bytes, p.pixels, *state) != 0) return std::nullopt;
  const std::size_t count = bytes[4] | (bytes[5] << 8);
  for (std::size_t i = 0; i < count && 6 + 16 * i + 16 <= bytes.size(); ++i) {
    const std::size_t entry = 6 + 16 * i;
    if (bytes[entry] != 16 || bytes[entry + 1] != 16) continue;
    const std::size_t image = Le32(bytes, entry + 12);
    if (image > bytes.size() || bytes.size() - image < 40 + 64 + 128 + 64) return std::nullopt;
    for (std::size_t c = 0; c < 16; ++c) {
      const std::size_t at = image + 40 + 4 * c;
      p.palette[c] = {bytes[at], bytes[at + 1], bytes[at + 2], 0};
    }
    std::array<std::uint8_t, kMaskSize> mask{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(image + 40 + 64 + 128), 64, mask.begin());
    UnpackMask(mask, p.mask);
    p.size = 16;
    return p;
  }
  return std::nullopt;
}

// "N" or "N/D", enlarging 1 to 16 times; nullopt for anything else.
std::optional<std::pair<int, int>> ReadScale(const std::string& text) {
  const std::size_t slash = text.find('/');
  const std::string top = text.substr(0, slash);
  const std::string bottom = slash == std::string::npos ? "1" : text.substr(slash + 1);
  const auto number = [](const std::string& t) {
    return !t.empty() && t.size() <= 2 && t.find_first_not_of("0123456789") == std::string::npos
               ? std::atoi(t.c_str())
               : 0;
  };
  const int n = number(top), d = number(bottom);
  if (n < 1 || d < 1 || n < d || n > 16 * d) return std::nullopt;
  return std::pair{n, d};
}

int WritePng(const char* icon, const char* scaleText, const char* out) {
  const auto bytes = ReadWholeFile(icon);
  const std::optional<std::pair<int, int>> scale = ReadScale(scaleText);
  if (!bytes || !scale) {
    std::fprintf(stderr, "pictoforge-icon-png: cannot read %s or bad scale %s\n", icon, scaleText);
    return 1;
  }
  // The editor's 32 x 32 reader falls back on the first image; a 16 x 16 icon is read as one instead.
  const std::optional<Picture> p = HasEntry(*bytes, 32) ? Decode32(*bytes) : Decode16(*bytes);
  if (!p) {
    std::fprintf(stderr, "pictoforge-icon-png: %s is not a 16-colour icon of 32 or 16 pixels\n", icon);
    return 1;
  }
  const auto [n, d] = *scale;
  if (p->size * n % d != 0) {
    std::fprintf(stderr, "pictoforge-icon-png: %d pixels times %s is not a whole size\n", p->size, scaleText);
    return 1;
  }
  const int side = p->size * n / d;
  QImage image(side, side, QImage::Format_ARGB32);
  for (int outY = 0; outY < side; ++outY) {
    // A 16 x 16 icon lies in the lower-left quarter of the grid.
    const int gridRow = outY * d / n + (kIconSize - p->size);
    for (int outX = 0; outX < side; ++outX) {
      const int x = outX * d / n;
      const std::size_t at = static_cast<std::size_t>(gridRow * kIconSize + x);
      const PaletteEntry& c =
          p->palette[p->pixels[static_cast<std::size_t>((31 - gridRow) * kIconSize + x)] & 15];
      image.setPixel(outX, outY, p->mask[at] ? qRgba(0, 0, 0, 0) : qRgb(c.red, c.green, c.blue));
    }
  }
  if (!image.save(QString::fromLocal8Bit(out), "PNG")) {
    std::fprintf(stderr, "pictoforge-icon-png: cannot write %s\n", out);
    return 1;
  }
  return 0;
}

int Author(const char* designPath, const char* palettePath, const char* out) {
  std::ifstream in(designPath);
  int transparent = -2;
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("transparent ", 0) == 0) {
      transparent = std::stoi(line.substr(12), nullptr, 16);
      continue;
    }
    rows.push_back(line);
  }
  const std::size_t n = rows.size();
  bool ok = (n == 32 || n == 16) && transparent >= 0 && transparent < 16;
  for (const std::string& row : rows) {
    ok = ok && row.size() == n && row.find_first_not_of("0123456789ABCDEF") == std::string::npos;
  }
  if (!ok) {
    std::fprintf(stderr, "pictoforge-icon-png: %s is not a 32 or 16 line design with a transparent line\n",
                 designPath);
    return 1;
  }
  std::array<Palette, kPaletteSetCount> sets{};
  int current = 0;
  Palette palette{};
  if (ReadPaletteSetFile(palettePath, {sets, current, palette}) != PaletteSetRead::Ok) {
    std::fprintf(stderr, "pictoforge-icon-png: cannot read the palette file %s\n", palettePath);
    return 1;
  }
  std::array<std::uint8_t, kPixelCount> pixels{};
  for (std::size_t y = 0; y < n; ++y) {
    for (std::size_t x = 0; x < n; ++x) {
      // Storage rows count from the bottom; a 16 x 16 icon fills rows 0..15.
      pixels[(n - 1 - y) * kIconSize + x] =
          static_cast<std::uint8_t>(std::stoi(rows[y].substr(x, 1), nullptr, 16));
    }
  }
  bool written = false;
  if (n == 32) {
    std::array<std::uint8_t, kPackedSize> packed{};
    std::array<std::uint8_t, kMaskSize> mask{};
    PackPixels32(pixels, packed);
    BuildMaskFromTransparent(packed, transparent, false, mask);
    written = WriteIcon32(out, palette, packed, mask);
  } else {
    written = WriteIcon16(out, pixels, palette, transparent);
  }
  if (!written) {
    std::fprintf(stderr, "pictoforge-icon-png: cannot write %s\n", out);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--author") return Author(argv[2], argv[3], argv[4]);
  if (argc == 4) return WritePng(argv[1], argv[2], argv[3]);
  std::fprintf(stderr,
               "usage: pictoforge-icon-png ICON.ico SCALE OUT.png\n"
               "       pictoforge-icon-png --author DESIGN.txt PALETTE.pal OUT.ico\n");
  return 2;
}
