// The recovery journal: everything of a session's unsaved work that a crash would lose, as one file the
// next start can offer back.
//
// File layout, little-endian: the 4 bytes "PFJ\x1A", a 16-bit format version, 16 bits reserved (0), then
// sections one after another: a 32-bit tag, a 32-bit payload length, the CRC-32 of tag, length and
// payload, then the payload. Each section stands on its own: one that is cut off or whose checksum fails
// is dropped whole and the others are still used, so a damaged journal never yields anything that was
// not written. Archive slots travel as the bytes of their work files (.wrk, .w24, .msk), the history as
// its records exactly as the undo history keeps them (pixels packed two a byte when they are all palette
// numbers, as they are in practice).
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

inline constexpr std::uint16_t kJournalVersion = 1;

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

struct RecoveryState {
  std::optional<JournalPicture> picture;
  std::optional<JournalHistory> history;
  std::vector<JournalArchive> archives;
  std::optional<JournalFullColour> fullColour;

  bool empty() const { return !picture && !history && archives.empty() && !fullColour; }
  friend bool operator==(const RecoveryState&, const RecoveryState&) = default;
};

std::vector<std::uint8_t> EncodeJournal(const RecoveryState& state);

struct JournalReadResult {
  // False when the bytes are not a journal of this version at all (wrong magic, other version, too short).
  bool recognised = false;
  // The sections that read back whole; a damaged one is simply missing.
  RecoveryState state;
  // Sections dropped for a bad checksum, a cut-off end, an unknown tag or inconsistent contents.
  int droppedSections = 0;
};

// Never throws and never reads outside `bytes`.
JournalReadResult DecodeJournal(std::span<const std::uint8_t> bytes);

// The CRC-32 (IEEE 802.3, reflected, as zlib computes it) of the bytes, continuing from `crc`.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace pf
