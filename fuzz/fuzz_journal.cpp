// The recovery journal reader on arbitrary bytes, split into the journal and its blob file by a leading
// 16-bit length: whatever it accepts encodes and reads back to the same state. And on a journal and blob
// file the program wrote, each cut at a chosen length and with up to three bits flipped across the two
// (fewer than CRC-32 can miss in sections and entries this size), every section it still yields is one
// that was written, unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "model/recovery_journal.h"
#include "model/work_file.h"

namespace {

const pf::RecoveryState& Written() {
  static const pf::RecoveryState state = [] {
    pf::RecoveryState s;
    pf::JournalPicture p;
    for (std::size_t k = 0; k < p.pixels.size(); ++k) p.pixels[k] = static_cast<std::uint8_t>(k % 16);
    p.transparentIndex = 5;
    p.fileName = "/home/u/icon.ico";
    s.picture = p;
    pf::JournalHistory h;
    h.records.resize(2);
    h.records[1].pixels.fill(7);
    h.index = 1;
    h.last = 1;
    s.history = h;
    pf::JournalArchive a{pf::JournalArchiveKind::Mask, 2, "", std::vector<std::uint8_t>(2560)};
    for (std::size_t k = 0; k < a.bytes.size(); ++k) a.bytes[k] = static_cast<std::uint8_t>(k * 7);
    s.archives.push_back(a);
    return s;
  }();
  return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  const std::size_t journalLength = size < 2 ? 0 : std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
  const std::span<const std::uint8_t> journalPart =
      input.subspan(std::min<std::size_t>(size, 2), journalLength);
  const std::span<const std::uint8_t> blobPart =
      input.subspan(std::min<std::size_t>(size, 2) + journalLength);
  const pf::JournalReadResult read = pf::DecodeJournal(journalPart, blobPart);
  if (!read.recognised && !read.state.empty()) std::abort();
  if (read.recognised) {
    const pf::EncodedJournal encoded = pf::EncodeJournal(read.state);
    const pf::JournalReadResult again =
        pf::DecodeJournal(encoded.journal, pf::EncodeJournalBlobFile(encoded.blobs));
    if (!again.recognised || again.droppedSections != 0 || !(again.state == read.state)) std::abort();
  }

  // Damage: 2 bytes of journal length and 2 of blob file length, then 3 bytes per bit flipped in the two
  // taken as one.
  static const pf::EncodedJournal encoded = pf::EncodeJournal(Written());
  static const std::vector<std::uint8_t> blobFile = pf::EncodeJournalBlobFile(encoded.blobs);
  if (size < 4) return 0;
  std::vector<std::uint8_t> journal = encoded.journal;
  std::vector<std::uint8_t> blobs = blobFile;
  journal.resize(
      std::min<std::size_t>(journal.size(), static_cast<std::size_t>(data[0] | (data[1] << 8)) * 4));
  blobs.resize(std::min<std::size_t>(blobs.size(), static_cast<std::size_t>(data[2] | (data[3] << 8)) * 4));
  for (std::size_t i = 4; i + 3 <= size && i < 4 + 3 * 3; i += 3) {
    const std::size_t bit = static_cast<std::size_t>(data[i] | (data[i + 1] << 8) | (data[i + 2] << 16));
    const std::size_t byte = bit / 8;
    const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
    if (byte < journal.size()) {
      journal[byte] ^= mask;
    } else if (byte - journal.size() < blobs.size()) {
      blobs[byte - journal.size()] ^= mask;
    }
  }
  const pf::RecoveryState& written = Written();
  const pf::RecoveryState got = pf::DecodeJournal(journal, blobs).state;
  if (got.picture && !(*got.picture == *written.picture)) std::abort();
  if (got.history && !(*got.history == *written.history)) std::abort();
  if (got.fullColour) std::abort();
  for (const pf::JournalArchive& a : got.archives) {
    if (!(a == written.archives[0])) std::abort();
  }
  return 0;
}
