#include "model/foreign_palette.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "model/file_io.h"

namespace pf {

namespace {

constexpr std::size_t kActColours = 256;
constexpr std::size_t kActSize = 3 * kActColours;

// Collects the colours of a file: the first 16 kept, all counted.
class Collector {
 public:
  void add(int red, int green, int blue) {
    if (palette_.count < 16) {
      palette_.colours[static_cast<std::size_t>(palette_.count)] =
          PaletteEntry{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                       static_cast<std::uint8_t>(red), 0};
    }
    ++palette_.count;
  }
  std::optional<ForeignPalette> result() const {
    if (palette_.count < 1) return std::nullopt;
    return palette_;
  }

 private:
  ForeignPalette palette_;
};

std::string_view TextOf(std::span<const std::uint8_t> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // A byte order mark some editors put in front of UTF-8 text.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Lines split at LF; a CR before it (or a lone CR ending the text) is taken off by Trim.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// A component: one to three decimal digits worth 0..255, taken off the front of `s` after any blanks.
std::optional<int> TakeComponent(std::string_view& s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  std::size_t digits = 0;
  int value = 0;
  while (digits < s.size() && std::isdigit(static_cast<unsigned char>(s[digits]))) {
    if (digits == 3) return std::nullopt;
    value = value * 10 + (s[digits] - '0');
    ++digits;
  }
  if (digits == 0 || value > 255) return std::nullopt;
  s.remove_prefix(digits);
  // A number must end at a blank or at the end of the line, not run into other characters.
  if (!s.empty() && !IsBlank(s.front())) return std::nullopt;
  return value;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// RRGGBB or AARRGGBB, with or without '#'; the alpha is not part of a palette entry.
std::optional<std::uint32_t> HexColour(std::string_view s) {
  if (s.starts_with('#')) s.remove_prefix(1);
  if (s.size() != 6 && s.size() != 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : s) {
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return value & 0xFFFFFFu;
}

// Lines of a hexadecimal list that carry nothing: blank ones and paint.net's ';' comments.
bool IsHexListFiller(std::string_view line) {
  return line.empty() || line.starts_with(';');
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
bool TagAt(std::span<const std::uint8_t> b, std::size_t at, std::string_view tag) {
  return b.size() >= at + tag.size() &&
         std::equal(tag.begin(), tag.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
                    [](char t, std::uint8_t v) { return static_cast<std::uint8_t>(t) == v; });
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  return std::equal(
      suffix.begin(), suffix.end(), s.end() - static_cast<std::ptrdiff_t>(suffix.size()), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
      });
}

}  // namespace

std::optional<ForeignPalette> ReadGimpPalette(std::span<const std::uint8_t> bytes) {
  const std::vector<std::string_view> lines = Lines(TextOf(bytes));
  if (lines.empty() || Trim(lines[0]) != "GIMP Palette") return std::nullopt;
  Collector colours;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (line.empty() || line.starts_with('#') || line.starts_with("Name:") || line.starts_with("Columns:"))
      continue;
    // Red, green and blue in decimal, then the colour's name, which is free text.
    const std::optional<int> r = TakeComponent(line);
    const std::optional<int> g = r ? TakeComponent(line) : std::nullopt;
    const std::optional<int> b = g ? TakeComponent(line) : std::nullopt;
    if (!b) return std::nullopt;
    colours.add(*r, *g, *b);
  }
  return colours.result();
}

std::optional<ForeignPalette> ReadJascPalette(std::span<const std::uint8_t> bytes) {
  std::vector<std::string_view> lines = Lines(TextOf(bytes));
  while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
  if (lines.size() < 4 || Trim(lines[0]) != "JASC-PAL" || Trim(lines[1]) != "0100") return std::nullopt;
  // The count: decimal, and exactly the number of colour lines that follow.
  const std::string_view countText = Trim(lines[2]);
  if (countText.empty() || countText.size() > 5) return std::nullopt;
  std::size_t count = 0;
  for (const char c : countText) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    count = count * 10 + static_cast<std::size_t>(c - '0');
  }
  if (count < 1 || count != lines.size() - 3) return std::nullopt;
  Collector colours;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    const std::optional<int> r = TakeComponent(line);
    const std::optional<int> g = r ? TakeComponent(line) : std::nullopt;
    const std::optional<int> b = g ? TakeComponent(line) : std::nullopt;
    if (!b) return std::nullopt;
    // Some programs add an alpha value; nothing else may follow.
    if (!Trim(line).empty() && (!TakeComponent(line) || !Trim(line).empty())) return std::nullopt;
    colours.add(*r, *g, *b);
  }
  return colours.result();
}

std::optional<ForeignPalette> ReadHexPalette(std::span<const std::uint8_t> bytes) {
  Collector colours;
  for (const std::string_view raw : Lines(TextOf(bytes))) {
    const std::string_view line = Trim(raw);
    if (IsHexListFiller(line)) continue;
    const std::optional<std::uint32_t> rgb = HexColour(line);
    if (!rgb) return std::nullopt;
    colours.add(static_cast<int>(*rgb >> 16), static_cast<int>((*rgb >> 8) & 0xFF),
                static_cast<int>(*rgb & 0xFF));
  }
  return colours.result();
}

std::optional<ForeignPalette> ReadActPalette(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kActSize && bytes.size() != kActSize + 4) return std::nullopt;
  std::size_t count = kActColours;
  if (bytes.size() == kActSize + 4) {
    // Big-endian: the number of colours used, then the transparent index (0xFFFF for none).
    count = static_cast<std::size_t>((bytes[kActSize] << 8) | bytes[kActSize + 1]);
    const int transparent = (bytes[kActSize + 2] << 8) | bytes[kActSize + 3];
    if (count < 1 || count > kActColours) return std::nullopt;
    if (transparent != 0xFFFF && static_cast<std::size_t>(transparent) >= count) return std::nullopt;
  }
  Collector colours;
  for (std::size_t i = 0; i < count; ++i) colours.add(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
  return colours.result();
}

std::optional<ForeignPalette> ReadRiffPalette(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 12 || !TagAt(bytes, 0, "RIFF") || !TagAt(bytes, 8, "PAL ")) return std::nullopt;
  const std::uint64_t formEnd = std::uint64_t{Le32(bytes, 4)} + 8;
  if (formEnd < 12 || formEnd > bytes.size()) return std::nullopt;
  // The chunks of the form, each padded to an even length; the palette is the "data" chunk.
  std::uint64_t at = 12;
  while (at + 8 <= formEnd) {
    const std::uint64_t size = Le32(bytes, static_cast<std::size_t>(at + 4));
    const std::uint64_t body = at + 8;
    if (body + size > formEnd) return std::nullopt;
    if (TagAt(bytes, static_cast<std::size_t>(at), "data")) {
      // A logical palette: version 0x300, the number of entries, then red, green, blue and flags each.
      if (size < 4) return std::nullopt;
      const auto b = static_cast<std::size_t>(body);
      const std::size_t count = Le16(bytes, b + 2);
      if (Le16(bytes, b) != 0x300 || count < 1 || 4 + 4 * std::uint64_t{count} > size) return std::nullopt;
      Collector colours;
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = b + 4 + 4 * i;
        colours.add(bytes[e], bytes[e + 1], bytes[e + 2]);
      }
      return colours.result();
    }
    at = body + size + (size & 1);
  }
  return std::nullopt;
}

PaletteFileKind DetectPaletteFile(std::span<const std::uint8_t> bytes, std::string_view fileName) {
  const std::string_view text = TextOf(bytes);
  if (text.starts_with("GIMP Palette")) return PaletteFileKind::Gimp;
  if (text.starts_with("JASC-PAL")) return PaletteFileKind::Jasc;
  if (TagAt(bytes, 0, "RIFF") && TagAt(bytes, 8, "PAL ")) return PaletteFileKind::Riff;
  if (EndsWithNoCase(fileName, ".act")) return PaletteFileKind::Act;
  for (const std::string_view raw : Lines(text)) {
    const std::string_view line = Trim(raw);
    if (IsHexListFiller(line)) continue;
    if (HexColour(line)) return PaletteFileKind::HexList;
    break;
  }
  // A palette-set line has 50 fields; a palette-set file cut to the length of a table is still one.
  const std::string_view firstLine = text.substr(0, text.find_first_of("\r\n"));
  if (std::count(firstLine.begin(), firstLine.end(), ',') >= 49) return PaletteFileKind::PaletteSets;
  if (bytes.size() == kActSize || bytes.size() == kActSize + 4) return PaletteFileKind::Act;
  return PaletteFileKind::PaletteSets;
}

std::optional<ForeignPalette> ReadForeignPalette(PaletteFileKind kind, std::span<const std::uint8_t> bytes) {
  switch (kind) {
    case PaletteFileKind::Gimp:
      return ReadGimpPalette(bytes);
    case PaletteFileKind::Jasc:
      return ReadJascPalette(bytes);
    case PaletteFileKind::HexList:
      return ReadHexPalette(bytes);
    case PaletteFileKind::Act:
      return ReadActPalette(bytes);
    case PaletteFileKind::Riff:
      return ReadRiffPalette(bytes);
    case PaletteFileKind::PaletteSets:
      break;
  }
  return std::nullopt;
}

std::optional<Palette> ReadForeignPaletteFile(const std::string& path) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  const std::optional<ForeignPalette> read = ReadForeignPalette(DetectPaletteFile(*bytes, path), *bytes);
  if (!read) return std::nullopt;
  Palette palette = read->colours;
  for (int i = read->count; i < 16; ++i) palette[static_cast<std::size_t>(i)] = palette[0];
  return palette;
}

std::string WriteGimpPalette(const Palette& palette, std::string_view name) {
  std::string out = "GIMP Palette\nName: ";
  for (const char c : name) {
    if (c != '\n' && c != '\r') out += c;
  }
  out += "\nColumns: 16\n#\n";
  char line[40];
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const PaletteEntry& e = palette[i];
    std::snprintf(line, sizeof line, "%3d %3d %3d\tIndex %zu\n", e.red, e.green, e.blue, i);
    out += line;
  }
  return out;
}

}  // namespace pf
