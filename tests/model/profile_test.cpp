#include "model/profile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "model/file_io.h"

namespace pf {
namespace {

namespace fs = std::filesystem;

TEST(ProfileRead, FindsKeysTheWayWindowsDoes) {
  const std::string text =
      "orphan=before any section\r\n"
      "; OpenIcon=/commented\r\n"
      "[ Dir ]\r\n"
      "  OpenIcon   =   /home/u/icons  \r\n"
      "Quoted=\"  spaced  \"\r\n"
      "Single='x'\r\n"
      "Lone=\"\r\n"
      "NoValue\r\n"
      "Empty=\r\n"
      "[Other]\n"
      "OpenIcon=/other\n"
      "[dir]\n"
      "Later=/second section of the same name\n";
  struct Case {
    std::string section, key;
    std::optional<std::string> value;
  };
  for (const Case& c : std::vector<Case>{
           {"DIR", "openicon", "/home/u/icons"},
           {" dir ", " OPENICON ", "/home/u/icons"},
           {"DIR", "Quoted", "  spaced  "},
           {"DIR", "Single", "x"},
           {"DIR", "Lone", "\""},
           {"DIR", "NoValue", std::nullopt},
           {"DIR", "Empty", ""},
           {"DIR", "orphan", std::nullopt},
           {"DIR", "Later", "/second section of the same name"},
           {"Other", "OpenIcon", "/other"},
           {"Missing", "OpenIcon", std::nullopt},
           {"DIR", "Missing", std::nullopt},
       }) {
    EXPECT_EQ(ProfileRead(text, c.section, c.key), c.value) << c.section << "/" << c.key;
  }
}

TEST(ProfileWrite, ReplacesOrAddsOneLineAndKeepsTheRest) {
  const std::string text =
      "; settings\n"
      "[DIR]\n"
      "OpenIcon=/old\n"
      "LoadIcon=/l\n"
      "\n"
      "; patterns follow\n"
      "[Pattern0]\n"
      "Count=3\n";
  EXPECT_EQ(ProfileWrite(text, "dir", "OPENICON", "/new").value(),
            "; settings\r\n[DIR]\r\nOpenIcon=/new\r\nLoadIcon=/l\r\n\r\n; patterns follow\r\n"
            "[Pattern0]\r\nCount=3\r\n");
  EXPECT_EQ(ProfileWrite(text, "DIR", "FavIcon", "/f").value(),
            "; settings\r\n[DIR]\r\nOpenIcon=/old\r\nLoadIcon=/l\r\nFavIcon=/f\r\n\r\n; patterns follow\r\n"
            "[Pattern0]\r\nCount=3\r\n");
  EXPECT_EQ(ProfileWrite(text, "New", "K", "v").value(),
            "; settings\r\n[DIR]\r\nOpenIcon=/old\r\nLoadIcon=/l\r\n\r\n; patterns follow\r\n"
            "[Pattern0]\r\nCount=3\r\n[New]\r\nK=v\r\n");
  EXPECT_EQ(ProfileWrite("", "DIR", "OpenIcon", "/a").value(), "[DIR]\r\nOpenIcon=/a\r\n");
  EXPECT_EQ(ProfileWrite("[DIR]", "DIR", "A", "1").value(), "[DIR]\r\nA=1\r\n");
  EXPECT_EQ(ProfileWrite("\xEF\xBB\xBF[DIR]\nA=1\n", "DIR", "A", "2").value(),
            "\xEF\xBB\xBF[DIR]\r\nA=2\r\n");
}

TEST(ProfileWrite, EveryStorableValueReadsBackExactly) {
  for (const std::string value : {"", "plain", " leading", "trailing\t", "\"quoted\"", "'single'", "\"",
                                  "a=b;c", "ERROR", "/ホーム/アイコン", "[not a section]"}) {
    const auto text = ProfileWrite("[DIR]\r\nOther=1\r\n", "DIR", "Key", value);
    ASSERT_TRUE(text) << value;
    EXPECT_EQ(ProfileRead(*text, "DIR", "Key"), value) << *text;
    EXPECT_EQ(ProfileRead(*text, "DIR", "Other"), "1");
  }
}

TEST(ProfileWrite, RefusesEntriesThatCouldNotBeReadBack) {
  EXPECT_FALSE(ProfileWrite("", "DIR", "Key", "two\nlines"));
  EXPECT_FALSE(ProfileWrite("", "DIR", "Key", "cr\r"));
  EXPECT_FALSE(ProfileWrite("", "D]IR", "Key", "v"));
  EXPECT_FALSE(ProfileWrite("", "DIR", "K=ey", "v"));
  EXPECT_FALSE(ProfileWrite("", "DIR", ";Key", "v"));
  EXPECT_FALSE(ProfileWrite("", "DIR", "[Key", "v"));
  EXPECT_FALSE(ProfileWrite("", " ", "Key", "v"));
  EXPECT_FALSE(ProfileWrite("", "DIR", "", "v"));
}

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "pf-profile-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path() const { return (dir_ / "PF.ini").string(); }

  fs::path dir_;
};

TEST_F(ProfileFileTest, CreatesTheFileAndReadsBack) {
  ProfileFile profile(path());
  EXPECT_EQ(profile.ReadSetting("DIR", "OpenIcon"), "");
  ASSERT_TRUE(profile.WriteSetting("DIR", "OpenIcon", "/home/u"));
  ASSERT_TRUE(profile.WriteSetting("Pattern0", "Count", "2"));
  EXPECT_EQ(profile.ReadSetting("dir", "openicon"), "/home/u");
  EXPECT_EQ(profile.ReadSetting("PATTERN0", "count"), "2");
  const auto bytes = ReadWholeFile(path());
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()),
            "[DIR]\r\nOpenIcon=/home/u\r\n[Pattern0]\r\nCount=2\r\n");
}

TEST_F(ProfileFileTest, ErrorLiteralAndLongValues) {
  ProfileFile profile(path());
  ASSERT_TRUE(profile.WriteSetting("DIR", "A", "ERROR"));
  EXPECT_EQ(profile.ReadSetting("DIR", "A"), "");

  // A remembered folder comes back whole up to the longest path this system takes, 4,096 bytes; beyond
  // that it is cut, and never inside a character (a Japanese folder name is three bytes a character).
  std::string japanese;
  for (int i = 0; i < 2000; ++i) japanese += "あ";
  const struct {
    std::string stored;
    std::string read;
  } cases[] = {
      {std::string(300, 'a'), std::string(300, 'a')},
      {"/" + std::string(4095, 'b'), "/" + std::string(4095, 'b')},
      {std::string(5000, 'c'), std::string(4096, 'c')},
      {japanese.substr(0, 1000 * 3), japanese.substr(0, 1000 * 3)},
      {japanese, japanese.substr(0, 1365 * 3)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(profile.WriteSetting("DIR", "B", c.stored));
    EXPECT_EQ(profile.ReadSetting("DIR", "B"), c.read) << c.stored.size();
  }
}

TEST_F(ProfileFileTest, UnreadableExistingFileIsNotReplaced) {
  fs::create_directory(path());
  ProfileFile profile(path());
  EXPECT_FALSE(profile.WriteSetting("DIR", "A", "1"));
  EXPECT_TRUE(fs::is_directory(path()));
  EXPECT_FALSE(ProfileFile((dir_ / "no/such/PF.ini").string()).WriteSetting("DIR", "A", "1"));
}

TEST_F(ProfileFileTest, LastFolderIsThePathUpToItsLastSeparator) {
  ProfileFile profile(path());
  EXPECT_EQ(lastFolder(profile, "OpenIcon"), "");
  ASSERT_TRUE(storeLastFolder(profile, "OpenIcon", "/home/u/icons/a.ico"));
  EXPECT_EQ(lastFolder(profile, "OpenIcon"), "/home/u/icons");
  EXPECT_EQ(profile.ReadSetting("DIR", "OpenIcon"), "/home/u/icons");
}

}  // namespace
}  // namespace pf
