#include "model/palette_set.h"

#include <cstdio>
#include <vector>

#include "model/file_io.h"
#include "model/numeric_text.h"

namespace pf {

namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    // CR LF, a lone CR or a lone LF each end one line.
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
}

}  // namespace

PaletteSetRead ReadPaletteSets(std::string_view text, PaletteSetTargets t,
                               const std::function<void(int row)>& rowStored) {
  const std::vector<std::string_view> lines = SplitLines(text);
  if (lines.empty()) return PaletteSetRead::Invalid;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (k == kPaletteSetCount) return PaletteSetRead::TooManySets;
    const std::vector<std::string_view> fields = SplitFields(lines[k]);
    if (fields.size() < 50) return PaletteSetRead::Invalid;
    const bool current = ReadDecimal(fields[1]) == 1.0;
    if (current) t.currentSet = static_cast<int>(k);
    Palette& row = t.sets[k];
    for (int c = 0; c < 16; ++c) {
      std::uint8_t bgr[3];
      for (int part = 0; part < 3; ++part) {
        const std::int64_t v = ReadHex(fields[static_cast<std::size_t>(2 + 3 * c + part)]);
        if (v < 0 || v > 0xFF) return PaletteSetRead::Invalid;
        bgr[part] = static_cast<std::uint8_t>(v);
        if (part == 0) row[c].blue = bgr[0];
        if (part == 1) row[c].green = bgr[1];
        if (part == 2) row[c].red = bgr[2];
      }
      if (current) {
        t.iconPalette[c].blue = bgr[0];
        t.iconPalette[c].green = bgr[1];
        t.iconPalette[c].red = bgr[2];
      }
    }
    if (rowStored) rowStored(static_cast<int>(k));
  }
  return PaletteSetRead::Ok;
}

PaletteSetRead ReadPaletteSetFile(const std::string& path, PaletteSetTargets targets,
                                  const std::function<void(int row)>& rowStored) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
  if (!bytes) return PaletteSetRead::Invalid;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  return ReadPaletteSets(text, targets, rowStored);
}

std::string WritePaletteSets(const std::array<Palette, kPaletteSetCount>& sets, int currentSet) {
  std::string out;
  char buf[8];
  for (int r = 0; r < kPaletteSetCount; ++r) {
    out += std::to_string(r);
    out += r == currentSet ? ",1" : ",0";
    for (const PaletteEntry& e : sets[static_cast<std::size_t>(r)]) {
      for (std::uint8_t v : {e.blue, e.green, e.red}) {
        std::snprintf(buf, sizeof buf, ",%X", static_cast<unsigned>(v));
        out += buf;
      }
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace pf
