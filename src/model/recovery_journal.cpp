#include "model/recovery_journal.h"

#include <algorithm>
#include <unordered_map>

#include "model/full_colour_work_files.h"
#include "model/packing.h"
#include "model/work_file.h"

namespace pf {

namespace {

constexpr std::array<std::uint8_t, 4> kMagic{'P', 'F', 'J', 0x1A};
constexpr std::array<std::uint8_t, 4> kBlobMagic{'P', 'F', 'B', 0x1A};
// Tag, key and length before the bytes, the checksum after them.
constexpr std::size_t kBlobEntryOverhead = 4 + 8 + 4 + 4;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kSectionHeaderSize = 12;
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
constexpr std::uint32_t kViewTag = Tag('V', 'I', 'E', 'W');
constexpr std::uint32_t kBlobTag = Tag('B', 'L', 'O', 'B');

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

void PutKey(Writer& w, std::uint64_t key) {
  w.u32(static_cast<std::uint32_t>(key));
  w.u32(static_cast<std::uint32_t>(key >> 32));
}

std::uint64_t TakeKey(Reader& r) {
  const std::uint64_t low = r.u32();
  return low | (static_cast<std::uint64_t>(r.u32()) << 32);
}

// Collects the blobs of one journal, each once, and names them.
class BlobSink {
 public:
  explicit BlobSink(std::vector<JournalBlob>& blobs) : blobs_(blobs) {}
  std::uint64_t put(std::vector<std::uint8_t> bytes) {
    const std::uint64_t key = JournalBlobKey(bytes);
    if (std::none_of(blobs_.begin(), blobs_.end(), [key](const JournalBlob& b) { return b.key == key; }))
      blobs_.push_back({key, std::move(bytes)});
    return key;
  }

 private:
  std::vector<JournalBlob>& blobs_;
};

// The blobs of a blob file that read back whole, up to the first that does not, by key.
class BlobIndex {
 public:
  explicit BlobIndex(std::span<const std::uint8_t> file) {
    Reader header(file);
    const auto magic = header.take(4);
    const std::uint32_t versionWord = header.u32();
    if (!header.ok() || !std::equal(kBlobMagic.begin(), kBlobMagic.end(), magic.begin()) ||
        (versionWord & 0xFFFF) != kJournalBlobVersion) {
      return;
    }
    std::size_t pos = kHeaderSize;
    while (file.size() - pos >= kBlobEntryOverhead) {
      Reader head(file.subspan(pos, 16));
      const std::uint32_t tag = head.u32();
      const std::uint64_t key = TakeKey(head);
      const std::uint32_t length = head.u32();
      if (tag != kBlobTag || length > file.size() - pos - kBlobEntryOverhead) break;
      const auto entry = file.subspan(pos, 16 + length);
      Reader crc(file.subspan(pos + 16 + length, 4));
      if (Crc32(entry) != crc.u32()) break;
      blobs_.emplace(key, entry.subspan(16));
      pos += kBlobEntryOverhead + length;
    }
  }
  // The blob of this key when its bytes still hash to it; of exactly `length` bytes when that is given.
  std::optional<std::span<const std::uint8_t>> find(std::uint64_t key, std::size_t length = 0) const {
    const auto it = blobs_.find(key);
    if (it == blobs_.end() || (length != 0 && it->second.size() != length) ||
        JournalBlobKey(it->second) != key) {
      return std::nullopt;
    }
    return it->second;
  }

 private:
  std::unordered_map<std::uint64_t, std::span<const std::uint8_t>> blobs_;
};

// A record as a blob: its pixel form (1 packed two a byte, 0 a byte a pixel), palette, pixels and mask.
// Pixels are palette numbers 0..15 and travel packed as in the icon file; a record holding anything else
// keeps a byte a pixel, so that it reads back exactly.
std::vector<std::uint8_t> EncodeRecord(const Palette& palette, std::span<const std::uint8_t> pixels,
                                       std::span<const std::uint8_t> mask) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  const bool packed = std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t p) { return p < 16; });
  w.u8(packed ? 1 : 0);
  w.palette(palette);
  if (packed) {
    std::array<std::uint8_t, kPackedSize> packedPixels{};
    PackPixels32(pixels, packedPixels);
    w.bytes(packedPixels);
  } else {
    w.bytes(pixels);
  }
  w.bytes(mask);
  return out;
}

std::optional<HistoryRecord> DecodeRecord(std::span<const std::uint8_t> blob) {
  Reader r(blob);
  HistoryRecord record;
  const std::uint8_t form = r.u8();
  record.palette = r.palette();
  if (form == 1) {
    UnpackPixels32(r.take(kPackedSize), record.pixels);
  } else if (form == 0) {
    r.into(record.pixels);
  } else {
    return std::nullopt;
  }
  r.into(record.mask);
  if (!r.ok() || !r.atEnd()) return std::nullopt;
  return record;
}

std::vector<std::uint8_t> ColourBytes(std::span<const ColorRef> colours) {
  std::vector<std::uint8_t> out;
  out.reserve(3 * colours.size());
  Writer(out).colours(colours);
  return out;
}

std::vector<std::uint8_t> EncodePicture(const JournalPicture& p, BlobSink& blobs) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  // Usually the record on screen, and then stored once for both.
  PutKey(w, blobs.put(EncodeRecord(p.palette, p.pixels, p.mask)));
  PutKey(w, blobs.put(std::vector<std::uint8_t>(p.maskGrid.begin(), p.maskGrid.end())));
  w.i32(p.transparentIndex);
  w.u8(static_cast<std::uint8_t>((p.opaque ? 1 : 0) | (p.keepMask ? 2 : 0)));
  w.text(p.fileName);
  return out;
}

std::optional<JournalPicture> DecodePicture(Reader& r, const BlobIndex& blobs) {
  JournalPicture p;
  const auto body = blobs.find(TakeKey(r));
  const auto grid = blobs.find(TakeKey(r), kPixelCount);
  p.transparentIndex = r.i32();
  const std::uint8_t flags = r.u8();
  p.opaque = (flags & 1) != 0;
  p.keepMask = (flags & 2) != 0;
  p.fileName = r.text();
  if (!r.ok() || p.transparentIndex < 0 || p.transparentIndex > 15 || flags > 3 || !body || !grid)
    return std::nullopt;
  const std::optional<HistoryRecord> shown = DecodeRecord(*body);
  if (!shown) return std::nullopt;
  p.pixels = shown->pixels;
  p.palette = shown->palette;
  p.mask = shown->mask;
  std::copy(grid->begin(), grid->end(), p.maskGrid.begin());
  return p;
}

// The record keys travel in runs, each a blob of its own, a run ending after a key whose low bits are
// zero: when a full history drops its oldest record and gains a new one, only the first and the last
// runs change, so each change adds a few dozen bytes of keys rather than the whole list.
constexpr std::uint64_t kKeyRunMask = 15;

std::vector<std::uint8_t> EncodeHistory(const JournalHistory& h, BlobSink& blobs) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.i32(h.index);
  w.i32(h.last);
  std::vector<std::uint64_t> keys;
  for (const HistoryRecord& record : h.records)
    keys.push_back(blobs.put(EncodeRecord(record.palette, record.pixels, record.mask)));
  // The snapshot is the record on screen's pixels right after an edit.
  const bool snapshotShown = h.index >= 0 && static_cast<std::size_t>(h.index) < h.records.size() &&
                             h.records[static_cast<std::size_t>(h.index)].pixels == h.snapshot;
  w.u8(snapshotShown ? 1 : 0);
  if (!snapshotShown) PutKey(w, blobs.put(std::vector<std::uint8_t>(h.snapshot.begin(), h.snapshot.end())));
  w.u32(static_cast<std::uint32_t>(keys.size()));
  std::vector<std::uint64_t> runs;
  std::vector<std::uint8_t> run;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Writer runWriter(run);
    PutKey(runWriter, keys[i]);
    if ((keys[i] & kKeyRunMask) == 0 || i + 1 == keys.size()) {
      runs.push_back(blobs.put(std::move(run)));
      run.clear();
    }
  }
  w.u32(static_cast<std::uint32_t>(runs.size()));
  for (std::uint64_t key : runs) PutKey(w, key);
  return out;
}

std::optional<JournalHistory> DecodeHistory(Reader& r, const BlobIndex& blobs) {
  JournalHistory h;
  h.index = r.i32();
  h.last = r.i32();
  const std::uint8_t snapshotForm = r.u8();
  // Read in any case, so that the fields after it are where they belong.
  const std::uint64_t snapshotKey = snapshotForm == 0 ? TakeKey(r) : 0;
  const std::uint32_t count = r.u32();
  const std::uint32_t runCount = r.u32();
  // The undo history walks only what these allow; anything else was never written by the program.
  if (!r.ok() || h.last < -1 || h.last >= kHistorySize || h.index < -1 || h.index > h.last ||
      count != static_cast<std::uint32_t>(h.last + 1) || runCount > count || snapshotForm > 1 ||
      (snapshotForm == 1 && h.index < 0)) {
    return std::nullopt;
  }
  std::vector<std::uint64_t> keys;
  for (std::uint32_t i = 0; i < runCount; ++i) {
    const auto run = blobs.find(TakeKey(r));
    if (!r.ok() || !run || run->empty() || run->size() % 8 != 0 || keys.size() + run->size() / 8 > count)
      return std::nullopt;
    Reader runReader(*run);
    while (!runReader.atEnd()) keys.push_back(TakeKey(runReader));
  }
  if (keys.size() != count) return std::nullopt;
  for (std::uint64_t key : keys) {
    const auto blob = blobs.find(key);
    std::optional<HistoryRecord> record = blob ? DecodeRecord(*blob) : std::nullopt;
    if (!record) return std::nullopt;
    h.records.push_back(*record);
  }
  if (snapshotForm == 1) {
    h.snapshot = h.records[static_cast<std::size_t>(h.index)].pixels;
  } else if (const auto snapshot = blobs.find(snapshotKey, kPixelCount)) {
    std::copy(snapshot->begin(), snapshot->end(), h.snapshot.begin());
  } else {
    return std::nullopt;
  }
  return h;
}

std::vector<std::uint8_t> EncodeArchive(const JournalArchive& a, BlobSink& blobs) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.u8(static_cast<std::uint8_t>(a.kind));
  w.i32(a.number);
  w.text(a.workFile);
  w.u32(static_cast<std::uint32_t>(a.bytes.size()));
  PutKey(w, blobs.put(a.bytes));
  return out;
}

std::optional<JournalArchive> DecodeArchive(Reader& r, const BlobIndex& blobs) {
  JournalArchive a;
  a.kind = static_cast<JournalArchiveKind>(r.u8());
  a.number = r.i32();
  a.workFile = r.text();
  const std::uint32_t size = r.u32();
  const std::uint64_t key = TakeKey(r);
  const std::size_t expected = JournalArchiveSize(a.kind);
  if (!r.ok() || expected == 0 || size != expected || a.number < 1 || a.number > kMaxArchiveNumber) {
    return std::nullopt;
  }
  const auto bytes = blobs.find(key, size);
  if (!bytes) return std::nullopt;
  a.bytes.assign(bytes->begin(), bytes->end());
  return a;
}

int FullColourEdge(int selectNum) {
  return SharedState::FullColourSizes[static_cast<std::size_t>(selectNum)];
}

std::vector<std::uint8_t> EncodeFullColour(const JournalFullColour& f, BlobSink& blobs) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.i32(f.selectNum);
  PutKey(w, blobs.put(ColourBytes(f.slotColumn)));
  PutKey(w, blobs.put(ColourBytes(f.workArea)));
  return out;
}

std::optional<std::vector<ColorRef>> ColoursOf(const BlobIndex& blobs, std::uint64_t key, std::size_t count) {
  const auto bytes = blobs.find(key, 3 * count);
  if (!bytes) return std::nullopt;
  Reader r(*bytes);
  return r.colours(count);
}

std::optional<JournalFullColour> DecodeFullColour(Reader& r, const BlobIndex& blobs) {
  JournalFullColour f;
  f.selectNum = r.i32();
  const std::uint64_t slotKey = TakeKey(r);
  const std::uint64_t workKey = TakeKey(r);
  if (!r.ok() || f.selectNum < 0 || f.selectNum > 3) return std::nullopt;
  const auto edge = static_cast<std::size_t>(FullColourEdge(f.selectNum));
  auto slots =
      ColoursOf(blobs, slotKey, std::size_t{kFullColourSlotColumnWidth} * kFullColourSlotColumnHeight);
  auto work = ColoursOf(blobs, workKey, edge * edge);
  if (!slots || !work) return std::nullopt;
  f.slotColumn = std::move(*slots);
  f.workArea = std::move(*work);
  return f;
}

std::vector<std::uint8_t> EncodeView(const JournalView& v) {
  std::vector<std::uint8_t> out;
  Writer w(out);
  w.u8(static_cast<std::uint8_t>((v.editorHidden ? 1 : 0) | (v.photoWindowOpen ? 2 : 0)));
  w.text(v.photoFile);
  return out;
}

std::optional<JournalView> DecodeView(Reader& r) {
  JournalView v;
  const std::uint8_t flags = r.u8();
  v.editorHidden = (flags & 1) != 0;
  v.photoWindowOpen = (flags & 2) != 0;
  v.photoFile = r.text();
  if (!r.ok() || flags > 3) return std::nullopt;
  return v;
}

// What a dropped section held, as far as its tag (and, when its checksum held, its payload) tells.
JournalLoss LossOf(std::uint32_t tag, std::span<const std::uint8_t> trustedPayload) {
  JournalLoss loss;
  if (tag == kPictureTag) loss.part = JournalLoss::Part::Picture;
  if (tag == kHistoryTag) loss.part = JournalLoss::Part::History;
  if (tag == kFullColourTag) loss.part = JournalLoss::Part::FullColour;
  if (tag == kViewTag) loss.part = JournalLoss::Part::View;
  if (tag == kArchiveTag) {
    loss.part = JournalLoss::Part::Archive;
    Reader r(trustedPayload);
    const auto kind = static_cast<JournalArchiveKind>(r.u8());
    const int number = r.i32();
    if (r.ok() && JournalArchiveSize(kind) != 0 && number >= 1 && number <= kMaxArchiveNumber) {
      loss.kind = kind;
      loss.number = number;
    }
  }
  return loss;
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

EncodedJournal EncodeJournal(const RecoveryState& state) {
  EncodedJournal encoded;
  std::vector<std::uint8_t>& out = encoded.journal;
  out.assign(kMagic.begin(), kMagic.end());
  Writer w(out);
  w.u16(kJournalVersion);
  w.u16(0);
  BlobSink blobs(encoded.blobs);
  if (state.picture) AppendSection(out, kPictureTag, EncodePicture(*state.picture, blobs));
  if (state.history) AppendSection(out, kHistoryTag, EncodeHistory(*state.history, blobs));
  for (const JournalArchive& a : state.archives) AppendSection(out, kArchiveTag, EncodeArchive(a, blobs));
  if (state.fullColour) AppendSection(out, kFullColourTag, EncodeFullColour(*state.fullColour, blobs));
  if (state.view) AppendSection(out, kViewTag, EncodeView(*state.view));
  return encoded;
}

std::uint64_t JournalBlobKey(std::span<const std::uint8_t> bytes) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001B3u;
  return hash;
}

std::vector<std::uint8_t> JournalBlobFileHeader() {
  std::vector<std::uint8_t> out(kBlobMagic.begin(), kBlobMagic.end());
  Writer w(out);
  w.u16(kJournalBlobVersion);
  w.u16(0);
  return out;
}

std::size_t JournalBlobEntrySize(std::size_t length) {
  return kBlobEntryOverhead + length;
}

void AppendJournalBlobEntry(std::vector<std::uint8_t>& out, const JournalBlob& blob) {
  const std::size_t start = out.size();
  Writer w(out);
  w.u32(kBlobTag);
  PutKey(w, blob.key);
  w.u32(static_cast<std::uint32_t>(blob.bytes.size()));
  w.bytes(blob.bytes);
  w.u32(Crc32(std::span(out).subspan(start)));
}

std::vector<std::uint8_t> EncodeJournalBlobFile(std::span<const JournalBlob> blobs) {
  std::vector<std::uint8_t> out = JournalBlobFileHeader();
  for (const JournalBlob& blob : blobs) AppendJournalBlobEntry(out, blob);
  return out;
}

JournalReadResult DecodeJournal(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> blobFile) {
  JournalReadResult result;
  if (bytes.size() < kHeaderSize || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return result;
  Reader header(bytes.subspan(4, 4));
  const std::uint32_t versionWord = header.u32();
  if ((versionWord & 0xFFFF) != kJournalVersion) return result;
  result.recognised = true;
  const BlobIndex blobs(blobFile);

  auto drop = [&result](JournalLoss loss) {
    result.lost.push_back(loss);
    ++result.droppedSections;
  };
  std::size_t pos = kHeaderSize;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < kSectionHeaderSize) {
      drop({});  // a torn end
      break;
    }
    Reader head(bytes.subspan(pos, kSectionHeaderSize));
    const std::uint32_t tag = head.u32();
    const std::uint32_t length = head.u32();
    const std::uint32_t stored = head.u32();
    if (length > bytes.size() - pos - kSectionHeaderSize) {
      // Cut off, or a damaged length: what the tag says may be all that is left to tell.
      drop(LossOf(tag, {}));
      break;
    }
    const auto payload = bytes.subspan(pos + kSectionHeaderSize, length);
    pos += kSectionHeaderSize + length;
    if (Crc32(payload, Crc32(bytes.subspan(pos - kSectionHeaderSize - length, 8))) != stored) {
      // The tag itself may be what was damaged.
      drop(LossOf(tag, {}));
      continue;
    }
    Reader r(payload);
    bool used = false;
    if (tag == kPictureTag && !result.state.picture) {
      result.state.picture = DecodePicture(r, blobs);
      used = result.state.picture.has_value();
    } else if (tag == kHistoryTag && !result.state.history) {
      result.state.history = DecodeHistory(r, blobs);
      used = result.state.history.has_value();
    } else if (tag == kArchiveTag) {
      if (std::optional<JournalArchive> a = DecodeArchive(r, blobs)) {
        result.state.archives.push_back(std::move(*a));
        used = true;
      }
    } else if (tag == kFullColourTag && !result.state.fullColour) {
      result.state.fullColour = DecodeFullColour(r, blobs);
      used = result.state.fullColour.has_value();
    } else if (tag == kViewTag && !result.state.view) {
      result.state.view = DecodeView(r);
      used = result.state.view.has_value();
    }
    // Trailing bytes inside a section mean it is not what this version writes.
    if (used && !r.atEnd()) {
      if (tag == kPictureTag) result.state.picture.reset();
      if (tag == kHistoryTag) result.state.history.reset();
      if (tag == kArchiveTag) result.state.archives.pop_back();
      if (tag == kFullColourTag) result.state.fullColour.reset();
      if (tag == kViewTag) result.state.view.reset();
      used = false;
    }
    if (!used) drop(LossOf(tag, payload));
  }
  return result;
}

}  // namespace pf
