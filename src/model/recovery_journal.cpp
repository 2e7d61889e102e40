#include "model/recovery_journal.h"

#include <algorithm>

#include "model/full_colour_work_files.h"
#include "model/packing.h"
#include "model/work_file.h"

namespace pf {

namespace {

constexpr std::array<std::uint8_t, 4> kMagic{'P', 'F', 'J', 0x1A};
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kSectionHeaderSize = 12;
constexpr std::size_t kRecordSize = sizeof(Palette) + kPixelCount + kMaskSize;
// Far above anything a window holds; a length beyond it is damage, not data.
constexpr std::uint32_t kMaxNameLength = 64 * 1024;
constexpr int kMaxArchiveNumber = 100000;

constexpr std::uint32_t Tag(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24);
}
constexpr std::uint32_t kPictureTag = Tag('P', 'I', 'C', 'T');
constexpr std::uint32_t kHistoryTag = Tag('H', 'I', 'S', 'T');
constexpr std::uint32_t kArchiveTag = Tag('A', 'R', 'C', 'H');
constexpr std::uint32_t kFullColourTag = Tag('F', 'U', 'L', 'L');

std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

class Writer {
 public:
  explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
  }
  void i32(int v) { u32(static_cast<std::uint32_t>(v)); }
  void bytes(std::span<const std::uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
  void text(const std::string& s) {
    u32(static_cast<std::uint32_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
  }
  void palette(const Palette& p) {
    std::array<std::uint8_t, 64> b{};
    PaletteToBytes(p, b);
    bytes(b);
  }
  void colours(std::span<const ColorRef> cs) {
    for (ColorRef c : cs) {
      u8(static_cast<std::uint8_t>(BlueOf(c)));
      u8(static_cast<std::uint8_t>(GreenOf(c)));
      u8(static_cast<std::uint8_t>(RedOf(c)));
    }
  }

 private:
  std::vector<std::uint8_t>& out_;
};

// Reads from a span; every read past the end fails and leaves the reader failed.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> in) : in_(in) {}
  bool ok() const { return ok_; }
  bool atEnd() const { return pos_ == in_.size(); }
  std::span<const std::uint8_t> take(std::size_t n) {
    if (!ok_ || in_.size() - pos_ < n) {
      ok_ = false;
      return {};
    }
    const std::span<const std::uint8_t> s = in_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  std::uint8_t u8() {
    const auto s = take(1);
    return s.empty() ? 0 : s[0];
  }
  std::uint32_t u32() {
    const auto s = take(4);
    if (s.empty()) return 0;
    return static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
           (static_cast<std::uint32_t>(s[2]) << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
  }
  int i32() { return static_cast<int>(u32()); }
  template <std::size_t N>
  void into(std::array<std::uint8_t, N>& a) {
    const auto s = take(N);
    if (!s.empty()) std::copy(s.begin(), s.end(), a.begin());
  }
  std::string text() {
    const std::uint32_t n = u32();
    if (n > kMaxNameLength) {
      ok_ = false;
      return {};
    }
    const auto s = take(n);
    return std::string(s.begin(), s.end());
  }
  Palette palette() {
    const auto s = take(64);
    if (s.empty()) return {};
    return PaletteFromBytes(std::span<const std::uint8_t, 64>(s.data(), 64));
  }
  std::vector<ColorRef> colours(std::size_t n) {
    const auto s = take(3 * n);
    std::vector<ColorRef> cs;
    if (s.empty()) return cs;
    cs.reserve(n);
    for (std::size_t i = 0; i < n; ++i) cs.push_back(Rgb(s[3 * i + 2], s[3 * i + 1], s[3 * i]));
    return cs;
  }

 private:
  std::span<const std::uint8_t> in_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

void AppendSection(std::vector<std::uint8_t>& out, std::uint32_t tag,
                   const std::vector<std::uint8_t>& payload) {
  const std::size_t start = out.size();
  Writer w(out);
  w.u32(tag);
  w.u32(static_cast<std::uint32_t>(payload.size()));
  w.u32(0);  // the checksum, filled in below
  w.bytes(payload);
  std::uint32_t crc = Crc32(std::span(out).subspan(start, 8));
  crc = Crc32(payload, crc);
  for (int k = 0; k < 4; ++k)
    out[start + 8 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(crc >> (8 * k));
}

std::vector<std::uint8_t> EncodePicture(const JournalPicture& p) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.bytes(p.pixels);
  w.palette(p.palette);
  w.bytes(p.mask);
  w.bytes(p.maskGrid);
  w.i32(p.transparentIndex);
  w.u8(static_cast<std::uint8_t>((p.opaque ? 1 : 0) | (p.keepMask ? 2 : 0)));
  w.text(p.fileName);
  return out;
}

std::optional<JournalPicture> DecodePicture(Reader& r) {
  JournalPicture p;
  r.into(p.pixels);
  p.palette = r.palette();
  r.into(p.mask);
  r.into(p.maskGrid);
  p.transparentIndex = r.i32();
  const std::uint8_t flags = r.u8();
  p.opaque = (flags & 1) != 0;
  p.keepMask = (flags & 2) != 0;
  p.fileName = r.text();
  if (!r.ok() || p.transparentIndex < 0 || p.transparentIndex > 15 || flags > 3) return std::nullopt;
  return p;
}

// Record pixels are palette numbers 0..15 and travel packed two a byte, as in the icon file; only a
// history holding anything else keeps a byte a pixel, so that it reads back exactly.
bool AllPalettePixels(const std::vector<HistoryRecord>& records) {
  return std::all_of(records.begin(), records.end(), [](const HistoryRecord& r) {
    return std::all_of(r.pixels.begin(), r.pixels.end(), [](std::uint8_t p) { return p < 16; });
  });
}

std::vector<std::uint8_t> EncodeHistory(const JournalHistory& h) {
  std::vector<std::uint8_t> out;
  out.reserve(17 + kPixelCount + kRecordSize * h.records.size());
  Writer w(out);
  w.i32(h.index);
  w.i32(h.last);
  w.bytes(h.snapshot);
  w.u32(static_cast<std::uint32_t>(h.records.size()));
  const bool packed = AllPalettePixels(h.records);
  w.u8(packed ? 1 : 0);
  std::array<std::uint8_t, kPackedSize> packedPixels{};
  for (const HistoryRecord& record : h.records) {
    w.palette(record.palette);
    if (packed) {
      PackPixels32(record.pixels, packedPixels);
      w.bytes(packedPixels);
    } else {
      w.bytes(record.pixels);
    }
    w.bytes(record.mask);
  }
  return out;
}

std::optional<JournalHistory> DecodeHistory(Reader& r) {
  JournalHistory h;
  h.index = r.i32();
  h.last = r.i32();
  r.into(h.snapshot);
  const std::uint32_t count = r.u32();
  // The undo history walks only what these allow; anything else was never written by the program.
  if (!r.ok() || h.last < -1 || h.last >= kHistorySize || h.index < -1 || h.index > h.last ||
      count != static_cast<std::uint32_t>(h.last + 1)) {
    return std::nullopt;
  }
  const std::uint8_t pixelForm = r.u8();
  if (pixelForm > 1) return std::nullopt;
  h.records.resize(count);
  for (HistoryRecord& record : h.records) {
    record.palette = r.palette();
    if (pixelForm == 1) {
      UnpackPixels32(r.take(kPackedSize), record.pixels);
    } else {
      r.into(record.pixels);
    }
    r.into(record.mask);
  }
  if (!r.ok()) return std::nullopt;
  return h;
}

std::vector<std::uint8_t> EncodeArchive(const JournalArchive& a) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.u8(static_cast<std::uint8_t>(a.kind));
  w.i32(a.number);
  w.text(a.workFile);
  w.u32(static_cast<std::uint32_t>(a.bytes.size()));
  w.bytes(a.bytes);
  return out;
}

std::optional<JournalArchive> DecodeArchive(Reader& r) {
  JournalArchive a;
  a.kind = static_cast<JournalArchiveKind>(r.u8());
  a.number = r.i32();
  a.workFile = r.text();
  const std::uint32_t size = r.u32();
  const std::size_t expected = JournalArchiveSize(a.kind);
  if (!r.ok() || expected == 0 || size != expected || a.number < 1 || a.number > kMaxArchiveNumber) {
    return std::nullopt;
  }
  const auto s = r.take(size);
  if (!r.ok()) return std::nullopt;
  a.bytes.assign(s.begin(), s.end());
  return a;
}

int FullColourEdge(int selectNum) {
  return SharedState::FullColourSizes[static_cast<std::size_t>(selectNum)];
}

std::vector<std::uint8_t> EncodeFullColour(const JournalFullColour& f) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.i32(f.selectNum);
  w.colours(f.slotColumn);
  w.colours(f.workArea);
  return out;
}

std::optional<JournalFullColour> DecodeFullColour(Reader& r) {
  JournalFullColour f;
  f.selectNum = r.i32();
  if (!r.ok() || f.selectNum < 0 || f.selectNum > 3) return std::nullopt;
  const int edge = FullColourEdge(f.selectNum);
  f.slotColumn = r.colours(std::size_t{kFullColourSlotColumnWidth} * kFullColourSlotColumnHeight);
  f.workArea = r.colours(static_cast<std::size_t>(edge * edge));
  if (!r.ok()) return std::nullopt;
  return f;
}

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  crc = ~crc;
  for (std::uint8_t b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::size_t JournalArchiveSize(JournalArchiveKind kind) {
  switch (kind) {
    case JournalArchiveKind::Colour16:
    case JournalArchiveKind::FullColour16:
      return kWorkFileSize;
    case JournalArchiveKind::FullColour:
      return kFullColourWorkFileSize;
    case JournalArchiveKind::Mask:
      return kMaskWorkFileSize;
  }
  return 0;
}

std::vector<std::uint8_t> EncodeJournal(const RecoveryState& state) {
  std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
  Writer w(out);
  w.u16(kJournalVersion);
  w.u16(0);
  if (state.picture) AppendSection(out, kPictureTag, EncodePicture(*state.picture));
  if (state.history) AppendSection(out, kHistoryTag, EncodeHistory(*state.history));
  for (const JournalArchive& a : state.archives) AppendSection(out, kArchiveTag, EncodeArchive(a));
  if (state.fullColour) AppendSection(out, kFullColourTag, EncodeFullColour(*state.fullColour));
  return out;
}

JournalReadResult DecodeJournal(std::span<const std::uint8_t> bytes) {
  JournalReadResult result;
  if (bytes.size() < kHeaderSize || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return result;
  Reader header(bytes.subspan(4, 4));
  const std::uint32_t versionWord = header.u32();
  if ((versionWord & 0xFFFF) != kJournalVersion) return result;
  result.recognised = true;

  std::size_t pos = kHeaderSize;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < kSectionHeaderSize) {
      ++result.droppedSections;  // a torn end
      break;
    }
    Reader head(bytes.subspan(pos, kSectionHeaderSize));
    const std::uint32_t tag = head.u32();
    const std::uint32_t length = head.u32();
    const std::uint32_t stored = head.u32();
    if (length > bytes.size() - pos - kSectionHeaderSize) {
      ++result.droppedSections;
      break;
    }
    const auto payload = bytes.subspan(pos + kSectionHeaderSize, length);
    pos += kSectionHeaderSize + length;
    if (Crc32(payload, Crc32(bytes.subspan(pos - kSectionHeaderSize - length, 8))) != stored) {
      ++result.droppedSections;
      continue;
    }
    Reader r(payload);
    bool used = false;
    if (tag == kPictureTag && !result.state.picture) {
      result.state.picture = DecodePicture(r);
      used = result.state.picture.has_value();
    } else if (tag == kHistoryTag && !result.state.history) {
      result.state.history = DecodeHistory(r);
      used = result.state.history.has_value();
    } else if (tag == kArchiveTag) {
      if (std::optional<JournalArchive> a = DecodeArchive(r)) {
        result.state.archives.push_back(std::move(*a));
        used = true;
      }
    } else if (tag == kFullColourTag && !result.state.fullColour) {
      result.state.fullColour = DecodeFullColour(r);
      used = result.state.fullColour.has_value();
    }
    // Trailing bytes inside a section mean it is not what this version writes.
    if (used && !r.atEnd()) {
      if (tag == kPictureTag) result.state.picture.reset();
      if (tag == kHistoryTag) result.state.history.reset();
      if (tag == kArchiveTag) result.state.archives.pop_back();
      if (tag == kFullColourTag) result.state.fullColour.reset();
      used = false;
    }
    if (!used) ++result.droppedSections;
  }
  return result;
}

}  // namespace pf
