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

// The journal and its blob file as the writer leaves them.
struct Files {
  std::vector<std::uint8_t> journal;
  std::vector<std::uint8_t> blobs;
};

Files Encode(const RecoveryState& s) {
  const EncodedJournal e = EncodeJournal(s);
  return {e.journal, EncodeJournalBlobFile(e.blobs)};
}

JournalReadResult Decode(const Files& f) {
  return DecodeJournal(f.journal, f.blobs);
}

std::size_t SectionCount(const RecoveryState& s) {
  return (s.picture ? 1u : 0u) + (s.history ? 1u : 0u) + s.archives.size() + (s.fullColour ? 1u : 0u);
}

// Where each section of a journal starts and how long it is, header included.
std::vector<std::pair<std::size_t, std::size_t>> Sections(const std::vector<std::uint8_t>& journal) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  for (std::size_t pos = 8; pos + 12 <= journal.size();) {
    const std::size_t length = journal[pos + 4] | (journal[pos + 5] << 8) | (journal[pos + 6] << 16);
    out.emplace_back(pos, 12 + length);
    pos += 12 + length;
  }
  return out;
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
  s.view = JournalView{true, true, "/home/user/写真/海.jpg"};

  const Files files = Encode(s);
  const JournalReadResult r = Decode(files);
  EXPECT_TRUE(r.recognised);
  EXPECT_EQ(r.droppedSections, 0);
  EXPECT_TRUE(r.state == s);
  // The journal proper names what is large: a few kilobytes, however long the history.
  EXPECT_LT(files.journal.size(), 4096u);

  // A pixel beyond the palette numbers keeps its record a byte a pixel, so it too reads back exactly.
  s.history->records[17].pixels[300] = 0x9C;
  const Files unpacked = Encode(s);
  EXPECT_EQ(unpacked.blobs.size(), files.blobs.size() + std::size_t{kPackedSize});
  EXPECT_TRUE(Decode(unpacked).state == s);

  // Whatever was set back to zero after an undo step, the snapshot reads back too.
  s.history->snapshot.fill(0);
  EXPECT_TRUE(Decode(Encode(s)).state == s);
}

TEST(RecoveryJournal, NotAJournalIsNotRecognised) {
  const Files small = Encode(SmallState());
  std::vector<std::uint8_t> otherVersion = small.journal;
  otherVersion[4] = static_cast<std::uint8_t>(kJournalVersion + 1);
  // The journal of the version before, which held everything itself.
  std::vector<std::uint8_t> previousVersion = small.journal;
  previousVersion[4] = 1;
  const std::vector<std::vector<std::uint8_t>> cases = {
      {},           {'P', 'F', 'J'}, {'P', 'F', 'J', 0x1A, 1, 0, 0}, std::vector<std::uint8_t>(4096, 0xFF),
      otherVersion, previousVersion};
  for (const auto& bytes : cases) {
    const JournalReadResult r = DecodeJournal(bytes, small.blobs);
    EXPECT_FALSE(r.recognised) << bytes.size();
    EXPECT_TRUE(r.state.empty());
  }
  // The header alone is a journal with nothing in it.
  const JournalReadResult empty = Decode(Encode({}));
  EXPECT_TRUE(empty.recognised);
  EXPECT_TRUE(empty.state.empty());
}

TEST(RecoveryJournal, TruncationAtEveryLengthYieldsOnlyWhatWasWritten) {
  const RecoveryState s = SmallState();
  const Files files = Encode(s);
  // Either file cut, the other whole: a torn journal or a torn blob file tail loses only what it held.
  struct Case {
    const char* what;
    bool cutJournal;
    std::size_t sectionsLeft;  // after the last cut
  };
  for (const Case c : {Case{"journal", true, 2}, Case{"blob file", false, 2}}) {
    const std::vector<std::uint8_t>& cut = c.cutJournal ? files.journal : files.blobs;
    std::size_t lastSections = 0;
    for (std::size_t n = 0; n < cut.size(); ++n) {
      const std::span<const std::uint8_t> part = std::span(cut).first(n);
      const JournalReadResult r =
          c.cutJournal ? DecodeJournal(part, files.blobs) : DecodeJournal(files.journal, part);
      ExpectOnlyWritten(r.state, s);
      // A longer prefix never has fewer sections whole.
      const std::size_t sections = SectionCount(r.state);
      EXPECT_GE(sections, lastSections) << n;
      lastSections = sections;
      if (::testing::Test::HasFailure()) FAIL() << c.what << " cut at " << n;
    }
    // Everything but the last section (the archive, its bytes the last blob) survives the last cut.
    EXPECT_EQ(lastSections, c.sectionsLeft) << c.what;
  }
}

TEST(RecoveryJournal, BitFlipsDropTheirSectionAndKeepTheOthers) {
  const RecoveryState s = SmallState(3);
  const Files files = Encode(s);
  for (const bool inJournal : {true, false}) {
    const std::vector<std::uint8_t>& target = inJournal ? files.journal : files.blobs;
    for (std::size_t i = 0; i < target.size(); i += inJournal ? 5 : 3) {
      Files damaged = files;
      (inJournal ? damaged.journal : damaged.blobs)[i] ^= static_cast<std::uint8_t>(1u << (i % 8));
      const JournalReadResult r = Decode(damaged);
      ExpectOnlyWritten(r.state, s);
      if (i >= 8 && r.recognised) {
        // One damaged section at most, unless the flip hit a length and the walk stopped there; a damaged
        // blob costs the sections naming it or any blob after it.
        EXPECT_GE(r.droppedSections, 1) << i;
      }
      if (::testing::Test::HasFailure()) FAIL() << (inJournal ? "journal" : "blob file") << " flip at " << i;
    }
  }
  // A flip in the history section leaves the picture and the archive usable.
  const auto sections = Sections(files.journal);
  ASSERT_EQ(sections.size(), 3u);
  Files damaged = files;
  damaged.journal[sections[1].first + sections[1].second - 3] ^= 0x10;
  const JournalReadResult r = Decode(damaged);
  EXPECT_TRUE(r.state.picture == s.picture);
  EXPECT_FALSE(r.state.history);
  EXPECT_TRUE(r.state.archives == s.archives);
}

TEST(RecoveryJournal, ASectionWhoseBlobIsMissingOrAlteredIsDroppedAlone) {
  const RecoveryState s = SmallState(4);
  const EncodedJournal e = EncodeJournal(s);
  const std::uint64_t archiveKey = JournalBlobKey(s.archives[0].bytes);
  const std::uint64_t gridKey = JournalBlobKey(s.picture->maskGrid);
  struct Case {
    const char* what;
    std::uint64_t key;
    bool alter;  // the bytes changed but the entry well formed: they no longer match the key
    bool picture, history, archive;
  };
  const Case cases[] = {
      {"archive missing", archiveKey, false, true, true, false},
      {"archive altered", archiveKey, true, true, true, false},
      {"mask grid missing", gridKey, false, false, true, true},
      {"mask grid altered", gridKey, true, false, true, true},
  };
  for (const Case& c : cases) {
    std::vector<JournalBlob> blobs = e.blobs;
    const auto it =
        std::find_if(blobs.begin(), blobs.end(), [&](const JournalBlob& b) { return b.key == c.key; });
    ASSERT_NE(it, blobs.end()) << c.what;
    if (c.alter) {
      it->bytes[7] ^= 1;
    } else {
      blobs.erase(it);
    }
    const JournalReadResult r = DecodeJournal(e.journal, EncodeJournalBlobFile(blobs));
    EXPECT_EQ(r.droppedSections, 1) << c.what;
    EXPECT_EQ(r.state.picture.has_value(), c.picture) << c.what;
    EXPECT_EQ(r.state.history.has_value(), c.history) << c.what;
    EXPECT_EQ(r.state.archives.size(), c.archive ? 1u : 0u) << c.what;
    ExpectOnlyWritten(r.state, s);
  }
  // Any one blob gone costs at least one section, never anything not written.
  for (std::size_t i = 0; i < e.blobs.size(); ++i) {
    std::vector<JournalBlob> blobs = e.blobs;
    blobs.erase(blobs.begin() + static_cast<std::ptrdiff_t>(i));
    const JournalReadResult r = DecodeJournal(e.journal, EncodeJournalBlobFile(blobs));
    EXPECT_GE(r.droppedSections, 1) << i;
    ExpectOnlyWritten(r.state, s);
  }
  // No blob file at all, or one of another version: only what the journal holds itself, which is nothing.
  std::vector<std::uint8_t> otherVersion = EncodeJournalBlobFile(e.blobs);
  otherVersion[4] ^= 2;
  for (const std::vector<std::uint8_t>& blobFile : {std::vector<std::uint8_t>{}, otherVersion}) {
    const JournalReadResult r = DecodeJournal(e.journal, blobFile);
    EXPECT_TRUE(r.recognised);
    EXPECT_TRUE(r.state.empty());
    EXPECT_EQ(r.droppedSections, 3);
  }
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
    const JournalReadResult r = Decode(Encode(s));
    EXPECT_EQ(r.droppedSections, 1) << c.what;
    ExpectOnlyWritten(r.state, SmallState());
  }
}

TEST(RecoveryJournal, DamageNamesThePartsItCost) {
  using Part = JournalLoss::Part;
  const RecoveryState s = SmallState(6);
  const Files files = Encode(s);
  const auto sections = Sections(files.journal);
  ASSERT_EQ(sections.size(), 3u);  // picture, history, archive
  const JournalLoss archive{Part::Archive, JournalArchiveKind::Mask, 3};
  const JournalLoss someArchive{Part::Archive, JournalArchiveKind::Colour16, 0};
  auto flip = [&](std::size_t at) {
    Files d = files;
    d.journal[at] ^= 0x08;
    return d;
  };
  auto cut = [&](std::size_t at) {
    Files d = files;
    d.journal.resize(at);
    return d;
  };
  std::vector<JournalBlob> withoutArchive = EncodeJournal(s).blobs;
  std::erase_if(withoutArchive,
                [&](const JournalBlob& b) { return b.key == JournalBlobKey(s.archives[0].bytes); });
  struct Case {
    const char* what;
    Files files;
    std::vector<JournalLoss> lost;
  };
  const Case cases[] = {
      {"whole", files, {}},
      {"history flipped", flip(sections[1].first + 20), {{Part::History}}},
      // A damaged section's own number is not trusted.
      {"archive flipped", flip(sections[2].first + 30), {someArchive}},
      {"archive blob missing", {files.journal, EncodeJournalBlobFile(withoutArchive)}, {archive}},
      {"no blob file", {files.journal, {}}, {{Part::Picture}, {Part::History}, archive}},
      {"cut in the archive", cut(sections[2].first + 20), {someArchive}},
      {"cut in a section head", cut(sections[2].first + 6), {{Part::Unknown}}},
      {"tag flipped", flip(sections[0].first), {{Part::Unknown}}},
  };
  for (const Case& c : cases) {
    const JournalReadResult r = Decode(c.files);
    EXPECT_EQ(r.lost, c.lost) << c.what;
    EXPECT_EQ(r.droppedSections, static_cast<int>(c.lost.size())) << c.what;
  }
}

TEST(RecoveryJournal, Crc32IsZlibs) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())), 0xCBF43926u);
}

}  // namespace
}  // namespace pf
