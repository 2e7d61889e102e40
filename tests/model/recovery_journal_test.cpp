#include "model/recovery_journal.h"

#include <gtest/gtest.h>

#include <random>

#include "model/full_colour_work_files.h"
#include "model/work_file.h"

namespace pf {
namespace {

HistoryRecord RandomRecord(std::mt19937& rng) {
  HistoryRecord r;
  for (auto& e : r.palette) e = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
  for (auto& p : r.pixels) p = static_cast<std::uint8_t>(rng() % 16);
  for (auto& m : r.mask) m = static_cast<std::uint8_t>(rng());
  return r;
}

// Small enough to cut at every length: a picture, two undo records and a mask archive.
RecoveryState SmallState(unsigned seed = 1) {
  std::mt19937 rng(seed);
  RecoveryState s;
  JournalPicture p;
  const HistoryRecord r = RandomRecord(rng);
  p.palette = r.palette;
  std::copy(r.pixels.begin(), r.pixels.end(), p.pixels.begin());
  p.mask = r.mask;
  for (auto& m : p.maskGrid) m = static_cast<std::uint8_t>(rng() % 2);
  p.transparentIndex = 7;
  p.opaque = true;
  p.fileName = "/home/user/アイコン/ok.ico";
  s.picture = p;
  JournalHistory h;
  h.records = {RandomRecord(rng), r};
  h.index = 1;
  h.last = 1;
  h.snapshot = r.pixels;
  s.history = h;
  JournalArchive a{JournalArchiveKind::Mask, 3, "/tmp/pf3.msk", std::vector<std::uint8_t>(kMaskWorkFileSize)};
  for (auto& b : a.bytes) b = static_cast<std::uint8_t>(rng());
  s.archives.push_back(a);
  return s;
}

// Every section a damaged journal yields must be one that was written, unchanged.
void ExpectOnlyWritten(const RecoveryState& got, const RecoveryState& written) {
  // Compared whole rather than printed: a mismatch would dump kilobytes.
  EXPECT_TRUE(!got.picture || *got.picture == *written.picture);
  EXPECT_TRUE(!got.history || *got.history == *written.history);
  EXPECT_TRUE(!got.fullColour || *got.fullColour == *written.fullColour);
  for (const JournalArchive& a : got.archives)
    EXPECT_NE(std::find(written.archives.begin(), written.archives.end(), a), written.archives.end());
}

TEST(RecoveryJournal, RoundTripsEveryKindOfSection) {
  RecoveryState s = SmallState();
  std::mt19937 rng(5);
  JournalHistory& h = *s.history;
  // A full history stepped back: records beyond the one on screen stay reachable.
  h.records.clear();
  for (int i = 0; i < kHistorySize; ++i) h.records.push_back(RandomRecord(rng));
  h.last = kHistorySize - 1;
  h.index = 150;
  for (JournalArchiveKind kind : {JournalArchiveKind::Colour16, JournalArchiveKind::FullColour16,
                                  JournalArchiveKind::FullColour, JournalArchiveKind::Mask}) {
    JournalArchive a{kind, 10 + static_cast<int>(kind), "",
                     std::vector<std::uint8_t>(JournalArchiveSize(kind))};
    for (auto& b : a.bytes) b = static_cast<std::uint8_t>(rng());
    s.archives.push_back(a);
  }
  JournalFullColour f;
  f.selectNum = 3;
  f.slotColumn.resize(std::size_t{kFullColourSlotColumnWidth} * kFullColourSlotColumnHeight);
  for (auto& c : f.slotColumn) c = rng() & 0xFFFFFF;
  f.workArea.resize(128 * 128);
  for (auto& c : f.workArea) c = rng() & 0xFFFFFF;
  s.fullColour = f;

  const std::vector<std::uint8_t> bytes = EncodeJournal(s);
  const JournalReadResult r = DecodeJournal(bytes);
  EXPECT_TRUE(r.recognised);
  EXPECT_EQ(r.droppedSections, 0);
  EXPECT_TRUE(r.state == s);

  // A pixel beyond the palette numbers keeps its record a byte a pixel, so it too reads back exactly.
  s.history->records[17].pixels[300] = 0x9C;
  const std::vector<std::uint8_t> unpacked = EncodeJournal(s);
  EXPECT_EQ(unpacked.size(), bytes.size() + std::size_t{kHistorySize} * kPackedSize);
  EXPECT_TRUE(DecodeJournal(unpacked).state == s);
}

TEST(RecoveryJournal, NotAJournalIsNotRecognised) {
  std::vector<std::uint8_t> otherVersion = EncodeJournal(SmallState());
  otherVersion[4] = static_cast<std::uint8_t>(kJournalVersion + 1);
  const std::vector<std::vector<std::uint8_t>> cases = {{},
                                                        {'P', 'F', 'J'},
                                                        {'P', 'F', 'J', 0x1A, 1, 0, 0},
                                                        std::vector<std::uint8_t>(4096, 0xFF),
                                                        otherVersion};
  for (const auto& bytes : cases) {
    const JournalReadResult r = DecodeJournal(bytes);
    EXPECT_FALSE(r.recognised) << bytes.size();
    EXPECT_TRUE(r.state.empty());
  }
  // The header alone is a journal with nothing in it.
  const JournalReadResult empty = DecodeJournal(EncodeJournal({}));
  EXPECT_TRUE(empty.recognised);
  EXPECT_TRUE(empty.state.empty());
}

TEST(RecoveryJournal, TruncationAtEveryLengthYieldsOnlyWhatWasWritten) {
  const RecoveryState s = SmallState();
  const std::vector<std::uint8_t> bytes = EncodeJournal(s);
  std::size_t lastSections = 0;
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const JournalReadResult r = DecodeJournal(std::span(bytes).first(n));
    ExpectOnlyWritten(r.state, s);
    // A longer prefix never has fewer sections whole.
    const std::size_t sections =
        (r.state.picture ? 1u : 0u) + (r.state.history ? 1u : 0u) + r.state.archives.size();
    EXPECT_GE(sections, lastSections) << n;
    lastSections = sections;
    if (::testing::Test::HasFailure()) FAIL() << "cut at " << n;
  }
  EXPECT_EQ(lastSections, 2u);  // everything but the last section survives the last cut
}

TEST(RecoveryJournal, BitFlipsDropTheirSectionAndKeepTheOthers) {
  const RecoveryState s = SmallState(3);
  const std::vector<std::uint8_t> bytes = EncodeJournal(s);
  for (std::size_t i = 0; i < bytes.size(); i += 5) {
    std::vector<std::uint8_t> damaged = bytes;
    damaged[i] ^= static_cast<std::uint8_t>(1u << (i % 8));
    const JournalReadResult r = DecodeJournal(damaged);
    ExpectOnlyWritten(r.state, s);
    if (i >= 8 && r.recognised) {
      // One damaged section at most, unless the flip hit a length and the walk stopped there.
      EXPECT_GE(r.droppedSections, 1) << i;
    }
    if (::testing::Test::HasFailure()) FAIL() << "flip at " << i;
  }
  // A flip in the middle of the history leaves the picture and the archive usable.
  std::vector<std::uint8_t> damaged = bytes;
  damaged[8 + 12 + 2300 + 12 + 500] ^= 0x10;
  const JournalReadResult r = DecodeJournal(damaged);
  EXPECT_TRUE(r.state.picture == s.picture);
  EXPECT_FALSE(r.state.history);
  EXPECT_TRUE(r.state.archives == s.archives);
}

TEST(RecoveryJournal, SectionsThatCannotBeTheProgramsAreDropped) {
  struct Case {
    const char* what;
    void (*spoil)(RecoveryState&);
  };
  const Case cases[] = {
      {"index beyond last", [](RecoveryState& s) { s.history->index = 2; }},
      {"records not last + 1",
       [](RecoveryState& s) {
         s.history->last = 0;
         s.history->index = 0;
       }},
      {"history too long",
       [](RecoveryState& s) {
         s.history->records.resize(kHistorySize + 1);
         s.history->last = kHistorySize;
       }},
      {"transparent colour 16", [](RecoveryState& s) { s.picture->transparentIndex = 16; }},
      {"archive of the wrong size", [](RecoveryState& s) { s.archives[0].bytes.pop_back(); }},
      {"archive of no kind",
       [](RecoveryState& s) { s.archives[0].kind = static_cast<JournalArchiveKind>(9); }},
      {"archive number 0", [](RecoveryState& s) { s.archives[0].number = 0; }},
  };
  for (const Case& c : cases) {
    RecoveryState s = SmallState();
    c.spoil(s);
    const JournalReadResult r = DecodeJournal(EncodeJournal(s));
    EXPECT_EQ(r.droppedSections, 1) << c.what;
    ExpectOnlyWritten(r.state, SmallState());
  }
}

TEST(RecoveryJournal, Crc32IsZlibs) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())), 0xCBF43926u);
}

}  // namespace
}  // namespace pf
