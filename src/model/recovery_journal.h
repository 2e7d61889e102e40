// The recovery journal: everything of a session's unsaved work that a crash would lose, as one file the
// next start can offer back.
//
// The journal is two files. The journal proper, small and replaced whole each time, little-endian: the 4
// bytes "PFJ\x1A", a 16-bit format version, 16 bits reserved (0), then sections one after another: a
// 32-bit tag, a 32-bit payload length, the CRC-32 of tag, length and payload, then the payload. Each
// section stands on its own: one that is cut off or whose checksum fails is dropped whole and the others
// are still used, so a damaged journal never yields anything that was not written.
//
// What is large and seldom changes lives in the blob file beside it and is named in the sections by a
// 64-bit key, the FNV-1a hash of its bytes: the undo records (pixels packed two a byte when they are all
// palette numbers, as they are in practice), the picture's pixels and mask grid, the archives' work file
// bytes (.wrk, .w24, .msk) and the full colour window's pixels. The blob file is "PFB\x1A", a 16-bit
// version, 16 bits reserved, then entries appended one after another: the tag "BLOB", the 64-bit key, a
// 32-bit length, the bytes and the CRC-32 of all before it in the entry. It is read up to the first entry
// that is cut off or damaged; a section naming a blob it cannot find whole, with bytes matching its key,
// is dropped like a damaged one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

inline constexpr std::uint16_t kJournalVersion = 2;
inline constexpr std::uint16_t kJournalBlobVersion = 1;

// The editor's picture and the flags that decide how it is saved.
struct JournalPicture {
  std::array<std::uint8_t, kPixelCount> pixels{};
  Palette palette{};
  std::array<std::uint8_t, kMaskSize> mask{};
  MaskGridArray maskGrid{};
  int transparentIndex = 0;
  bool opaque = false;
  bool keepMask = false;
  // The file the editor shows, UTF-8; empty for none.
  std::string fileName;

  friend bool operator==(const JournalPicture&, const JournalPicture&) = default;
};

// The undo history: records 0..last, the record on screen and the snapshot the next record is compared
// with.
struct JournalHistory {
  std::vector<HistoryRecord> records;
  int index = -1;
  int last = -1;
  std::array<std::uint8_t, kPixelCount> snapshot{};

  friend bool operator==(const JournalHistory&, const JournalHistory&) = default;
};

enum class JournalArchiveKind : std::uint8_t {
  Colour16 = 1,      // the editor's 16-colour archive (.wrk)
  FullColour16 = 2,  // the full colour window's 16-colour archive (.wrk)
  FullColour = 3,    // the full colour archive (.w24)
  Mask = 4,          // the mask archive (.msk)
};

// The size of the work file that holds an archive of this kind; 0 for an unknown kind.
std::size_t JournalArchiveSize(JournalArchiveKind kind);

struct JournalArchive {
  JournalArchiveKind kind = JournalArchiveKind::Colour16;
  // The number in the window's caption, 1 and up.
  int number = 1;
  // The work file the slots came from or were last saved to, UTF-8; empty for none.
  std::string workFile;
  // The whole work file the slots would be saved as.
  std::vector<std::uint8_t> bytes;

  friend bool operator==(const JournalArchive&, const JournalArchive&) = default;
};

inline constexpr int kFullColourSlotColumnWidth = 128;
inline constexpr int kFullColourSlotColumnHeight = 348;

// The full colour window: the chosen size, its candidate slots down the left (128 x 348 window pixels
// from the top-left) and the work area of the chosen size, row after row from the top.
struct JournalFullColour {
  int selectNum = 0;
  std::vector<ColorRef> slotColumn;
  std::vector<ColorRef> workArea;

  friend bool operator==(const JournalFullColour&, const JournalFullColour&) = default;
};

// Which of the windows that take turns on screen were showing: the editor hides while the full colour
// part is in use, and the photo window (with the photo it shows, UTF-8) holds that part open.
struct JournalView {
  bool editorHidden = false;
  bool photoWindowOpen = false;
  std::string photoFile;

  friend bool operator==(const JournalView&, const JournalView&) = default;
};

struct RecoveryState {
  std::optional<JournalPicture> picture;
  std::optional<JournalHistory> history;
  std::vector<JournalArchive> archives;
  std::optional<JournalFullColour> fullColour;
  std::optional<JournalView> view;

  // Whether there is any work in it; what was showing alone is none.
  bool empty() const { return !picture && !history && archives.empty() && !fullColour; }
  friend bool operator==(const RecoveryState&, const RecoveryState&) = default;
};

// A blob a journal refers to, by the key of its bytes.
struct JournalBlob {
  std::uint64_t key = 0;
  std::vector<std::uint8_t> bytes;
};

// The journal file and every blob it refers to, each once.
struct EncodedJournal {
  std::vector<std::uint8_t> journal;
  std::vector<JournalBlob> blobs;
};

EncodedJournal EncodeJournal(const RecoveryState& state);

// The key a blob is named by: the 64-bit FNV-1a hash of its bytes.
std::uint64_t JournalBlobKey(std::span<const std::uint8_t> bytes);
// The blob file's header, and one entry to follow it.
std::vector<std::uint8_t> JournalBlobFileHeader();
void AppendJournalBlobEntry(std::vector<std::uint8_t>& out, const JournalBlob& blob);
// The size AppendJournalBlobEntry adds for a blob of `length` bytes.
std::size_t JournalBlobEntrySize(std::size_t length);
// A whole blob file holding these blobs.
std::vector<std::uint8_t> EncodeJournalBlobFile(std::span<const JournalBlob> blobs);

// A part of the work a damaged journal could not give back.
struct JournalLoss {
  enum class Part : std::uint8_t {
    Picture,
    History,
    Archive,
    FullColour,
    View,
    // A section whose kind cannot be told any more: a cut-off end or a damaged tag.
    Unknown,
  };
  Part part = Part::Unknown;
  // For an archive: its kind and number when they could still be read (number 0 when not).
  JournalArchiveKind kind = JournalArchiveKind::Colour16;
  int number = 0;

  friend bool operator==(const JournalLoss&, const JournalLoss&) = default;
};

struct JournalReadResult {
  // False when the bytes are not a journal of this version at all (wrong magic, other version, too short).
  bool recognised = false;
  // The sections that read back whole; a damaged one is simply missing.
  RecoveryState state;
  // Sections dropped for a bad checksum, a cut-off end, an unknown tag or inconsistent contents (a blob
  // missing or damaged), one entry each, in the journal's order.
  std::vector<JournalLoss> lost;
  int droppedSections = 0;
};

// Never throws and never reads outside `journal` and `blobFile` (empty when there is none).
JournalReadResult DecodeJournal(std::span<const std::uint8_t> journal,
                                std::span<const std::uint8_t> blobFile);

// The CRC-32 (IEEE 802.3, reflected, as zlib computes it) of the bytes, continuing from `crc`.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace pf
