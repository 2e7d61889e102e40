#include "model/window_layouts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <limits>

#include "model/file_io.h"
#include "model/profile.h"

namespace pf {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  const auto bytes = ReadWholeFile(path.string());
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
}

void Put(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class SettingsFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "pf-layouts-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(ini(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
  }
  fs::path ini() const { return dir_ / "PF.ini"; }
  fs::path dir_;
};

TEST(ProfileClearSection, KeepsTheHeaderAndEveryOtherLine) {
  const std::string text =
      "\xEF\xBB\xBF[FORM0]\r\nName=START\r\n[FORM1]\r\nName=a\r\nnForm=2\r\n; note\r\n  "
      "[FORM2]\r\nName=b\r\n";
  EXPECT_EQ(ProfileClearSection(text, "FORM1"),
            "\xEF\xBB\xBF[FORM0]\r\nName=START\r\n[FORM1]\r\n  [FORM2]\r\nName=b\r\n")
      << "an indented header still ends the body; the byte order mark stays";
  EXPECT_EQ(ProfileClearSection(text, "FORM2"),
            "\xEF\xBB\xBF[FORM0]\r\nName=START\r\n[FORM1]\r\nName=a\r\nnForm=2\r\n; note\r\n  [FORM2]\r\n")
      << "the last section runs to the end of the file";
  EXPECT_EQ(ProfileClearSection("[A]\n[FORM1]\nx=1\n[B]\ny=2", "FORM1"), "[A]\r\n[FORM1]\r\n[B]\r\ny=2\r\n")
      << "LF-only lines come back with CR LF";

  // The section is the one the reader reads: the whole name, any letter case, every copy of it.
  const struct {
    const char* text;
    const char* cleared;
  } named[] = {
      {"[old FORM3 copy]\nx=1\n[FORM3]\ny=2\n", "[old FORM3 copy]\r\nx=1\r\n[FORM3]\r\n"},
      {"[FORM30]\nx=1\n[ form3 ]\ny=2\n", "[FORM30]\r\nx=1\r\n[ form3 ]\r\n"},
      {"[FORM3]\nx=1\n[A]\nz=0\n[Form3]\ny=2\n", "[FORM3]\r\n[A]\r\nz=0\r\n[Form3]\r\n"},
  };
  for (const auto& c : named) {
    EXPECT_EQ(ProfileClearSection(c.text, "FORM3"), c.cleared) << c.text;
    EXPECT_EQ(ProfileRead(*ProfileClearSection(c.text, "FORM3"), "FORM3", "y"), std::nullopt) << c.text;
  }

  for (const std::string untouched : {"[FORM1]\nName=a\n", "[FORM55]\nName=a\n", "[FORM5]\n[FORM6]\nx=1\n",
                                      "[FORM5 copy]\nx=1\n", "Name=a\n[DIR]\nInput=/x"}) {
    EXPECT_EQ(ProfileClearSection(untouched, "FORM5"), untouched) << "no such section or no body";
  }
  EXPECT_EQ(ProfileClearSection("", "FORM1"), std::nullopt) << "an empty file has no line to keep";
}

TEST_F(SettingsFileOnDisk, ClearIniSectionReportsFailureAndLeavesTheFileAlone) {
  ProfileFile profile(ini().string());
  EXPECT_TRUE(profile.ClearIniSection("FORM1")) << "missing file";
  Put(ini(), "");
  EXPECT_TRUE(profile.ClearIniSection("FORM1")) << "empty file";

  Put(ini(), "[FORM1]\nName=a\n[FORM2]\nName=b\n");
  EXPECT_FALSE(profile.ClearIniSection("FORM9")) << "nothing to remove is no failure";
  EXPECT_EQ(Slurp(ini()), "[FORM1]\nName=a\n[FORM2]\nName=b\n") << "and the file is not rewritten";

  fs::permissions(ini(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(profile.ClearIniSection("FORM1")) << "read-only";
  EXPECT_EQ(Slurp(ini()), "[FORM1]\nName=a\n[FORM2]\nName=b\n");
  fs::permissions(ini(), fs::perms::owner_write, fs::perm_options::add);

  EXPECT_FALSE(profile.ClearIniSection("FORM1"));
  EXPECT_EQ(Slurp(ini()), "[FORM1]\r\n[FORM2]\r\nName=b\r\n");
  EXPECT_EQ(profile.ReadSetting("FORM2", "Name"), "b");

  fs::remove(ini());
  fs::create_directory(ini());
  EXPECT_TRUE(profile.ClearIniSection("FORM1")) << "a folder in the way";
  fs::remove(ini());
}

TEST(InitialSettings, HasExactlyTheStartLines) {
  EXPECT_EQ(
      InitialSettingsText(true, 1200, 3000, "/opt/pf"),
      "[FORM0]\r\nName = START\r\nnForm = 0\r\nMainVisible = True\r\nMainTop = 1200\r\nMainLeft = 3000\r\n"
      "[FORM1]\r\n[FORM2]\r\n[FORM3]\r\n[FORM4]\r\n[FORM5]\r\n[FORM6]\r\n[FORM7]\r\n[FORM8]\r\n"
      "[FORM9]\r\n[DIR]\r\nInput = /opt/pf\r\nOutput = /opt/pf\r\n");
  const std::string hidden = InitialSettingsText(false, -45, 0, "/opt/pf");
  const LayoutPattern p = ReadLayoutPattern(hidden, 0);
  EXPECT_EQ(p.name, "START");
  EXPECT_EQ(p.mainVisible, false);
  EXPECT_EQ(p.mainTop, -45.0);
  EXPECT_EQ(p.mainLeft, 0.0);
  EXPECT_TRUE(p.children.empty());
  for (int n = 1; n < kLayoutPatterns; ++n) EXPECT_FALSE(ReadLayoutPattern(hidden, n).mainVisible) << n;

  // Folders that would not read back as written go in quoted; one with a line break is left out.
  const std::string spaced = InitialSettingsText(true, 0, 0, "/tmp/ends in space ");
  EXPECT_EQ(ProfileRead(spaced, "DIR", "Input"), "/tmp/ends in space ");
  EXPECT_EQ(ProfileRead(spaced, "DIR", "Output"), "/tmp/ends in space ");
  const std::string broken = InitialSettingsText(true, 0, 0, "/tmp/a\r\n[FORM0]\r\nName=evil");
  EXPECT_EQ(ProfileRead(broken, "DIR", "Input"), std::nullopt);
  EXPECT_EQ(ReadLayoutPattern(broken, 0).name, "START");
}

LayoutRecord ThreeWindows() {
  LayoutRecord r;
  r.name = "作業用";
  r.mainVisible = true;
  r.mainTop = 1500;
  r.mainLeft = 4500;
  r.file = "/home/u/icons/a b.ico";
  r.children = {{"Form10", 150, 300, "/home/u/one.wrk"},
                {"Form10", 450, 600, "/home/u/two.wrk"},
                {"Form12", -30, 7500, ""}};
  return r;
}

TEST(LayoutPatterns, WriteThenReadGivesThePatternBackAndTouchesNoOtherPattern) {
  const std::string before = InitialSettingsText(true, 0, 0, "/opt/pf");
  const std::string start = WriteLayoutPattern(before, 2, ThreeWindows());
  const std::string after = WriteLayoutPattern(start, 2, [] {
    LayoutRecord r = ThreeWindows();
    r.children.pop_back();
    return r;
  }());
  // The section holds exactly the new entries, each archive with its own file key.
  EXPECT_NE(
      after.find("[FORM2]\r\nName=作業用\r\nnForm=2\r\nMainVisible=True\r\nMainTop=1500\r\nMainLeft=4500\r\n"
                 "File=/home/u/icons/a b.ico\r\nChld1=Form10\r\nChldTop1=150\r\nChldLeft1=300\r\n"
                 "ChldFile1=/home/u/one.wrk\r\nChld2=Form10\r\nChldTop2=450\r\nChldLeft2=600\r\n"
                 "ChldFile2=/home/u/two.wrk\r\n[FORM3]\r\n"),
      std::string::npos)
      << after;
  EXPECT_EQ(after.find("Chld3"), std::string::npos) << "a second save leaves nothing of the first";
  for (int n : {0, 1, 3, 9}) {
    EXPECT_EQ(ReadLayoutPattern(after, n).name, ReadLayoutPattern(before, n).name) << n;
  }
  EXPECT_EQ(ProfileRead(after, "DIR", "Input"), "/opt/pf");

  const LayoutPattern p = ReadLayoutPattern(start, 2);
  EXPECT_EQ(p.name, "作業用");
  EXPECT_EQ(p.mainVisible, true);
  EXPECT_EQ(p.mainTop, 1500.0);
  EXPECT_EQ(p.file, "/home/u/icons/a b.ico");
  EXPECT_EQ(p.children, ThreeWindows().children);

  // A file name with a line break cannot be one line of the file: that entry alone is left out.
  LayoutRecord odd = ThreeWindows();
  odd.children[0].file = "/tmp/x\n[FORM0]";
  const LayoutPattern q = ReadLayoutPattern(WriteLayoutPattern(before, 4, odd), 4);
  ASSERT_EQ(q.children.size(), 3u);
  EXPECT_EQ(q.children[0].file, "");
  EXPECT_EQ(ReadLayoutPattern(WriteLayoutPattern(before, 4, odd), 0).name, "START");
}

TEST(LayoutPatterns, LongPathsComeBackWhole) {
  // Paths well past 255 bytes: a cut one would open some other file, or the default work file.
  const std::string deep = "/home/u/" + std::string(300, 'd') + "/" + std::string(200, 'e');
  LayoutRecord r = ThreeWindows();
  r.file = deep + "/face.ico";
  r.children[0].file = deep + "/one.wrk";
  const LayoutPattern p = ReadLayoutPattern(WriteLayoutPattern("", 1, r), 1);
  EXPECT_EQ(p.file, r.file);
  ASSERT_EQ(p.children.size(), 3u);
  EXPECT_EQ(p.children[0].file, r.children[0].file);
}

TEST(LayoutPatterns, HandEditedPatternsReadSafely) {
  const std::string text =
      "[FORM1]\n"
      "nForm = 9999\n"
      "mainvisible = false\n"
      "MainTop = 1e999\n"
      "Chld1=Form27\nChld2=Form1; rm -rf ~\nChld3=IC\nChld4=Form05\nChld5=form3\nChld6=Form0\n"
      "Chld7 = Form3\nChldTop7 = -1234567890123\nChldLeft7 = 22.5\nChldFile7=/not/recorded\n"
      "Chld9000=Form18\nChldTop9000=15\nChldFile9000=\"/photos/a.jpg\"\n"
      "Chld10000=Form2\nChld08=Form4\n"
      "[FORM2]\nnForm=123456789012345\nMainVisible=True\nChld1234567890=Form5\nChld2=Form6\n"
      "[FORM3]\nMainVisible=maybe\nnForm=1\nChld1=Form1\n"
      "[FORM4]\nMainVisible=True\nnForm=ERROR\nChld1=Form1\n"
      "[FORM5]\nMainVisible=True\nnForm=-3\nChld1=Form1\n";
  const LayoutPattern p = ReadLayoutPattern(text, 1);
  EXPECT_EQ(p.mainVisible, false);
  EXPECT_EQ(p.mainTop, INT_MAX) << "held to the range of an int at once";
  EXPECT_EQ(p.mainLeft, std::nullopt) << "missing: the window keeps that coordinate";
  ASSERT_EQ(p.children.size(), 2u) << "only the known names within the count";
  EXPECT_EQ(p.children[0], (LayoutChild{"Form3", INT_MIN, 22, ""})) << "no file for a window without one";
  EXPECT_EQ(p.children[1], (LayoutChild{"Form18", 15, 0, "/photos/a.jpg"}));

  // The count is read through ten characters: 1234567890.
  const LayoutPattern q = ReadLayoutPattern(text, 2);
  ASSERT_EQ(q.children.size(), 2u);
  EXPECT_EQ(q.children[0].name, "Form6");
  EXPECT_EQ(q.children[1].name, "Form5");

  EXPECT_EQ(ReadLayoutPattern(text, 3).mainVisible, std::nullopt) << "not a boolean: an empty pattern";
  EXPECT_TRUE(ReadLayoutPattern(text, 4).children.empty());
  EXPECT_TRUE(ReadLayoutPattern(text, 5).children.empty());
  EXPECT_EQ(ReadLayoutPattern(text, 7).mainVisible, std::nullopt) << "missing section";
  EXPECT_EQ(ReadLayoutPattern("", 0).mainVisible, std::nullopt);
  EXPECT_EQ(ReadLayoutPattern("\x01\xff[FORM0\n=\n[]\n", 0).mainVisible, std::nullopt);
}

TEST(LayoutPatterns, PositionsComeBackOntoAScreen) {
  const std::vector<ScreenArea> one = {{0, 0, 1024, 768}};
  EXPECT_EQ(PlaceOnScreens(100, 50, 300, 200, one), std::make_pair(100, 50));
  EXPECT_EQ(PlaceOnScreens(-250, 50, 300, 200, one), std::make_pair(-250, 50)) << "a grip still shows";
  EXPECT_EQ(PlaceOnScreens(5000, 50, 300, 200, one), std::make_pair(724, 50));
  EXPECT_EQ(PlaceOnScreens(100, -10, 300, 200, one), std::make_pair(100, 0))
      << "the title bar above the screen";
  EXPECT_EQ(PlaceOnScreens(INT_MIN, INT_MAX, 300, 200, one), std::make_pair(0, 568));
  EXPECT_EQ(PlaceOnScreens(INT_MAX, INT_MIN, INT_MAX, INT_MAX, one), std::make_pair(0, 0))
      << "too large to fit";
  EXPECT_EQ(PlaceOnScreens(3000, 3000, 300, 200, {}), std::make_pair(3000, 3000)) << "no screen known";

  const std::vector<ScreenArea> two = {{0, 0, 1024, 768}, {1024, 0, 1280, 1024}};
  EXPECT_EQ(PlaceOnScreens(1500, 1100, 300, 200, two), std::make_pair(1500, 824)) << "onto the nearer screen";
  EXPECT_EQ(PlaceOnScreens(1500, 700, 300, 200, two), std::make_pair(1500, 700)) << "on the second screen";

  EXPECT_EQ(TwipsToPixels(1500), 100);
  EXPECT_EQ(TwipsToPixels(-22.5), -2);
  // Whatever a hand put into the file, a window of any size placed there has coordinates an int holds.
  constexpr std::int64_t kLargestWindow = 1 << 24;
  for (const double twips :
       {1e30, -1e30, 1e300, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(), double{INT_MAX}, double{INT_MIN}}) {
    const std::int64_t at = TwipsToPixels(twips);
    EXPECT_LE(at + kLargestWindow, INT_MAX) << twips;
    EXPECT_GE(at - kLargestWindow, INT_MIN) << twips;
  }
  EXPECT_EQ(TwipsToPixels(1e30), kFarthestPixel);
  EXPECT_EQ(TwipsToPixels(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(PixelsToTwips(100), 1500);
}

}  // namespace
}  // namespace pf
