#include "model/icon_directory.h"

#include <algorithm>
#include <cstring>

#include "model/file_io.h"
#include "model/icon_layout.h"

namespace pf {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kEntryImageSize = 8;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

int EdgeOf(std::uint8_t stored) {
  return stored == 0 ? 256 : stored;
}

int AreaOf(const IconEntry& e) {
  return EdgeOf(e.entry[kEntryWidth]) * EdgeOf(e.entry[kEntryHeight]);
}

}  // namespace

IconImageKind KindOfEntry(const IconEntry& e) {
  IconImageKind kind;
  const int width = EdgeOf(e.entry[kEntryWidth]);
  kind.edge = width == EdgeOf(e.entry[kEntryHeight]) ? width : -1;
  const std::vector<std::uint8_t>& image = e.image;
  if (image.size() >= sizeof kPngSignature && std::memcmp(image.data(), kPngSignature, 8) == 0) {
    kind.png = true;
    return kind;
  }
  kind.bitCount = -1;
  if (image.size() < kInfoHeaderSize) return kind;
  if (readLe32(image.data()) < kInfoHeaderSize) return kind;
  if (readLe32(image.data() + kHeaderCompression) != 0) return kind;
  kind.bitCount = readLe16(image.data() + kHeaderBitCount);
  return kind;
}

std::optional<std::vector<IconEntry>> ReadIconEntries(Bytes bytes) {
  if (!hasBytes(bytes, 0, kDirHeaderSize)) return std::nullopt;
  if (readLe16(bytes.data()) != 0 || readLe16(bytes.data() + 2) != 1) return std::nullopt;
  const std::size_t count = readLe16(bytes.data() + kImageCountOffset);
  if (count == 0 || !hasBytes(bytes, kDirHeaderSize, kDirEntrySize * count)) return std::nullopt;
  std::vector<IconEntry> entries(count);
  for (std::size_t i = 0; i < count; ++i) {
    IconEntry& e = entries[i];
    std::memcpy(e.entry.data(), bytes.data() + kDirHeaderSize + kDirEntrySize * i, kDirEntrySize);
    const std::uint64_t offset = readLe32(e.entry.data() + kEntryImageOffset);
    // Some writers count padding the file never got into the last image's size: what is there is kept,
    // and the size written again is the size kept. An image that starts outside the file, or has no
    // bytes at all, is no image to carry over.
    if (offset >= bytes.size()) return std::nullopt;
    const std::uint64_t size =
        std::min<std::uint64_t>(readLe32(e.entry.data() + kEntryImageSize), bytes.size() - offset);
    if (size == 0) return std::nullopt;
    e.image.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                   bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
  }
  return entries;
}

std::optional<IconEntry> SingleImageOf(Bytes file) {
  std::optional<std::vector<IconEntry>> entries = ReadIconEntries(file);
  if (!entries || entries->size() != 1) return std::nullopt;
  return std::move(entries->front());
}

std::vector<std::uint8_t> BuildIconFromEntries(std::vector<IconEntry> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const IconEntry& a, const IconEntry& b) { return AreaOf(a) > AreaOf(b); });
  std::size_t total = kDirHeaderSize + kDirEntrySize * entries.size();
  for (const IconEntry& e : entries) total += e.image.size();
  std::vector<std::uint8_t> out(kDirHeaderSize, 0);
  out.reserve(total);
  putLe16(out, 2, 1);
  putLe16(out, kImageCountOffset, static_cast<std::uint32_t>(entries.size()));
  std::size_t at = kDirHeaderSize + kDirEntrySize * entries.size();
  for (IconEntry& e : entries) {
    std::vector<std::uint8_t> entry(e.entry.begin(), e.entry.end());
    putLe32(entry, kEntryImageSize, static_cast<std::uint32_t>(e.image.size()));
    putLe32(entry, kEntryImageOffset, static_cast<std::uint32_t>(at));
    out.insert(out.end(), entry.begin(), entry.end());
    at += e.image.size();
  }
  for (const IconEntry& e : entries) out.insert(out.end(), e.image.begin(), e.image.end());
  return out;
}

std::optional<IconPut> PlanIconPut(Bytes existing, IconImageKind kind) {
  const std::optional<std::vector<IconEntry>> entries = ReadIconEntries(existing);
  if (!entries) return std::nullopt;
  IconPut put;
  put.replaces = std::any_of(entries->begin(), entries->end(),
                             [&](const IconEntry& e) { return KindOfEntry(e) == kind; });
  put.others = entries->size() - (put.replaces ? 1 : 0);
  return put;
}

std::vector<std::uint8_t> PutIconImages(Bytes existing,
                                        const std::vector<std::vector<std::uint8_t>>& images) {
  std::vector<IconEntry> entries = ReadIconEntries(existing).value_or(std::vector<IconEntry>{});
  for (const std::vector<std::uint8_t>& file : images) {
    std::optional<IconEntry> image = SingleImageOf(file);
    if (!image) return {};
    const IconImageKind kind = KindOfEntry(*image);
    const auto same = std::find_if(entries.begin(), entries.end(),
                                   [&](const IconEntry& e) { return KindOfEntry(e) == kind; });
    if (same != entries.end()) {
      *same = std::move(*image);
    } else {
      entries.push_back(std::move(*image));
    }
  }
  if (entries.empty() || entries.size() > 0xFFFF) return {};
  return BuildIconFromEntries(std::move(entries));
}

bool WriteIconImage(const std::string& path, Bytes image) {
  // A file that cannot be read (none there, a folder, no permission) has no images to keep; the
  // writer then says whether the path can be written at all.
  const std::vector<std::uint8_t> existing = ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
  const std::vector<std::uint8_t> bytes = PutIconImages(existing, {{image.begin(), image.end()}});
  return !bytes.empty() && WriteFileAtomically(path, bytes);
}

}  // namespace pf
