// Saves into whole icon files: the image of the save's kind changes, every other image is kept byte for
// byte, the directory stays valid, and Pillow, ImageMagick and icotool read every image alike.
#include "model/icon_directory.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "model/file_io.h"
#include "model/full_colour_icon.h"
#include "model/icon_file.h"
#include "model/icon_test_support.h"
#include "model/indexed_picture.h"
#include "model/mask_ops.h"

namespace pf {
namespace {

namespace fs = std::filesystem;
using namespace icontest;

Bytes Random(std::mt19937& rng, std::size_t n, int top = 255) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>(rng() % (static_cast<unsigned>(top) + 1));
  return b;
}

Palette RandomPalette(std::mt19937& rng) {
  Palette p{};
  for (auto& e : p) e = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
  return p;
}

// One image of each kind the program writes, plus an 8-bit one (by hand: no writer makes it).
std::map<std::string, Bytes> Images(unsigned seed) {
  std::mt19937 rng(seed);
  const Palette palette = RandomPalette(rng);
  std::map<std::string, Bytes> m;
  m["four32"] = BuildIcon32(palette, Random(rng, 512), Random(rng, 128));
  m["four16"] = BuildIcon16(Random(rng, 1024, 15), palette, 3);
  m["fc16"] = BuildFullColourIconOfEdge(Random(rng, 3 * 256), Random(rng, 2 * 16), 16);
  m["fc32"] = BuildFullColourIcon(Random(rng, 3 * 1024), Random(rng, 128), 32);
  m["fc48"] = BuildFullColourIconOfEdge(Random(rng, 3 * 48 * 48), Random(rng, 6 * 48), 48);
  m["fc64"] = BuildFullColourIcon(Random(rng, 3 * 4096), Random(rng, 512), 64);
  Bytes rgba = Random(rng, 4 * 256 * 256);
  for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = rgba[i] < 128 ? 0 : 255;
  m["png256"] = BuildPngIconFile(EncodeRgbaPng(rgba, 256, 256), 256);
  m["eight32"] = makeIcon({{32, 32, 0, 8, Random(rng, 1024 + 1024 + 128)}});
  return m;
}

// The test files: one, three and eight images, put together from single-image files.
std::map<std::string, Bytes> Files() {
  auto im = Images(7);
  const auto file = [&](std::vector<std::string> names) {
    std::vector<IconEntry> entries;
    for (const auto& n : names) entries.push_back(*SingleImageOf(im[n]));
    return BuildIconFromEntries(entries);
  };
  return {{"one.ico", file({"four32"})},
          {"three.ico", file({"fc48", "four16", "png256"})},
          {"eight.ico", file({"png256", "fc64", "fc48", "fc32", "four32", "eight32", "fc16", "four16"})}};
}

// A save as the windows run it, with the single-image file it writes into a new file.
struct Save {
  const char* name;
  IconImageKind kind;
  Bytes single;
  std::function<bool(const std::string&)> write;
};

std::vector<Save> Saves() {
  std::mt19937 rng(99);
  const Palette palette = RandomPalette(rng);
  const Bytes packed = Random(rng, 512), mask = Random(rng, 128), pixels = Random(rng, 1024, 15);
  const Bytes fc32 = Random(rng, 3 * 1024), fc64 = Random(rng, 3 * 4096), mask64 = Random(rng, 512);
  return {
      {"4-bit 32", kFourBitIcon32, BuildIcon32(palette, packed, mask),
       [=](const std::string& p) { return WriteIcon32(p, palette, packed, mask); }},
      {"4-bit 16", kFourBitIcon16, BuildIcon16(pixels, palette, 5),
       [=](const std::string& p) { return WriteIcon16(p, pixels, palette, 5); }},
      {"mask 32", kFourBitIcon32, BuildMaskIcon32(pixels, palette, mask),
       [=](const std::string& p) { return WriteMaskIcon32(p, pixels, palette, mask); }},
      {"mask 16", kFourBitIcon16, BuildMaskIcon16(pixels, palette, mask),
       [=](const std::string& p) { return WriteMaskIcon16(p, pixels, palette, mask); }},
      {"full colour 32", FullColourKind(32), BuildFullColourIcon(fc32, mask, 32),
       [=](const std::string& p) { return WriteFullColourIcon(p, fc32, mask, 32); }},
      {"full colour 64", FullColourKind(64), BuildFullColourIcon(fc64, mask64, 64),
       [=](const std::string& p) { return WriteFullColourIcon(p, fc64, mask64, 64); }},
      {"full colour 16", FullColourKind(16), BuildFullColourIcon16(fc32),
       [=](const std::string& p) { return WriteFullColourIcon16(p, fc32); }},
  };
}

bool SameStoredImage(const IconEntry& a, const IconEntry& b) {
  // Everything but the offset, which moves with the images in front.
  return a.image == b.image && std::equal(a.entry.begin(), a.entry.begin() + 12, b.entry.begin());
}

class WholeIconFiles : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("pf-icon-images-" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override {
    if (!std::getenv("PF_KEEP")) fs::remove_all(dir);
  }
  std::string at(const std::string& name) const { return (dir / name).string(); }
  static void Write(const std::string& path, const Bytes& b) { ASSERT_TRUE(WriteFileAtomically(path, b)); }
};

// What every written file must be: a valid directory, largest first, the save's image in it once, and
// every other image of the file before it there unchanged.
void ExpectKeptAndPut(const Bytes& before, const Bytes& after, const Save& save) {
  const auto written = ReadIconEntries(after);
  ASSERT_TRUE(written);
  std::size_t at = 6 + 16 * written->size();
  int lastArea = 1 << 30;
  for (std::size_t i = 0; i < written->size(); ++i) {
    EXPECT_EQ(get32(after, 6 + 16 * i + 12), at) << "entry " << i << " starts behind the one before";
    at += (*written)[i].image.size();
    const int w = (*written)[i].entry[0] ? (*written)[i].entry[0] : 256;
    EXPECT_LE(w * w, lastArea) << "largest first";
    lastArea = w * w;
  }
  EXPECT_EQ(at, after.size());

  const IconEntry put = *SingleImageOf(save.single);
  EXPECT_EQ(std::count_if(written->begin(), written->end(), [&](auto& e) { return SameStoredImage(e, put); }),
            1);
  const auto old = ReadIconEntries(before);
  std::size_t kept = 0;
  bool replaced = false;
  for (const IconEntry& e : old.value_or(std::vector<IconEntry>{})) {
    if (!replaced && KindOfEntry(e) == save.kind) {
      replaced = true;
      continue;
    }
    ++kept;
    EXPECT_TRUE(std::any_of(written->begin(), written->end(), [&](auto& w) { return SameStoredImage(w, e); }))
        << "an image of " << e.entry[0] << " pixels is kept";
  }
  EXPECT_EQ(written->size(), kept + 1);
  const auto plan = PlanIconPut(before, save.kind);
  if (old) {
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->others, kept);
    EXPECT_EQ(plan->replaces, replaced);
  }
}

TEST_F(WholeIconFiles, EverySaveChangesOnlyItsImage) {
  const std::map<std::string, std::size_t> sizes = {
      {"4-bit 32", 766},        {"4-bit 16", 318},         {"mask 32", 766},       {"mask 16", 318},
      {"full colour 32", 3262}, {"full colour 64", 12862}, {"full colour 16", 894}};
  for (const Save& save : Saves()) {
    SCOPED_TRACE(save.name);
    // A new file, and a file of only that kind of image, come out as they always have.
    ASSERT_TRUE(save.write(at("new.ico")));
    EXPECT_EQ(ReadWholeFile(at("new.ico")), save.single);
    EXPECT_EQ(save.single.size(), sizes.at(save.name));
    ASSERT_TRUE(save.write(at("new.ico")));
    EXPECT_EQ(ReadWholeFile(at("new.ico")), save.single);
    fs::remove(at("new.ico"));

    for (const auto& [name, before] : Files()) {
      SCOPED_TRACE(name);
      Write(at(name), before);
      ASSERT_TRUE(save.write(at(name)));
      ExpectKeptAndPut(before, *ReadWholeFile(at(name)), save);
    }
  }
}

TEST_F(WholeIconFiles, FilesThatAreNoReadableIconAreReplacedWhole) {
  Bytes icon = Files()["three.ico"];
  Bytes outside = icon;
  put32(outside, 6 + 16 + 12, static_cast<std::uint32_t>(icon.size()));  // an image behind the end
  Bytes cursor = icon;
  cursor[2] = 2;
  Bytes cut = icon;
  cut.resize(6 + 16 * 2);  // the directory itself cut short
  const Bytes text = {'n', 'o', 't', 'e', 's'};
  const Save save = Saves()[0];
  for (const Bytes& before : {outside, cursor, cut, text, Bytes{}}) {
    Write(at("x.ico"), before);
    EXPECT_FALSE(PlanIconPut(before, save.kind));
    ASSERT_TRUE(save.write(at("x.ico")));
    EXPECT_EQ(ReadWholeFile(at("x.ico")), save.single);
  }
  // A save that cannot write leaves the file as it was.
  Write(at("ro.ico"), icon);
  fs::permissions(at("ro.ico"), fs::perms::owner_read);
  if (::geteuid() != 0) {
    EXPECT_FALSE(save.write(at("ro.ico")));
    EXPECT_EQ(ReadWholeFile(at("ro.ico")), icon);
  }
}

TEST_F(WholeIconFiles, ALastImageSizedPastTheEndIsKeptAsFarAsItGoes) {
  Bytes icon = Files()["three.ico"];
  const auto entries = *ReadIconEntries(icon);
  // The directory's last image is the last in the file; its size claims 3 bytes more than there are.
  put32(icon, 6 + 16 * 2 + 8, static_cast<std::uint32_t>(entries[2].image.size() + 3));
  const Save save = Saves()[4];
  Write(at("long.ico"), icon);
  ASSERT_TRUE(save.write(at("long.ico")));
  const auto after = ReadIconEntries(*ReadWholeFile(at("long.ico")));
  ASSERT_TRUE(after);
  EXPECT_EQ(after->size(), 4u);
  EXPECT_TRUE(
      std::any_of(after->begin(), after->end(), [&](auto& e) { return e.image == entries[2].image; }));
}

TEST_F(WholeIconFiles, PillowImageMagickAndIcotoolReadEveryImageAlike) {
  if (!fs::exists("/usr/bin/convert"))
    PF_SKIP_CROSS_CHECK("ImageMagick is not installed (Debian package imagemagick)");
  if (!fs::exists("/usr/bin/icotool"))
    PF_SKIP_CROSS_CHECK("icotool is not installed (Debian package icoutils)");
  // Pictures of a few colours with holes, for the icons the outside writers make.
  std::mt19937 rng(3);
  std::string pictures;
  for (const int edge : {16, 32, 48, 256}) {
    std::ofstream out(at("p" + std::to_string(edge) + ".pam"), std::ios::binary);
    out << "P7\nWIDTH " << edge << "\nHEIGHT " << edge
        << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int i = 0; i < edge * edge; ++i) {
      const unsigned c = rng() % 12;
      const char px[4] = {char(c * 20), char(255 - c * 20), char(c * 7), char(rng() % 5 == 0 ? 0 : 255)};
      out.write(px, 4);
    }
  }
  const auto pam = [&](int e) { return " '" + at("p" + std::to_string(e) + ".pam") + "'"; };
  const auto png = [&](int e) { return " '" + at("p" + std::to_string(e) + ".png") + "'"; };
  std::string command;
  for (const int e : {16, 32, 48, 256}) command += "/usr/bin/convert" + pam(e) + png(e) + " && ";
  command += "/usr/bin/convert" + png(16) + png(32) + png(48) + png(256) + " '" + at("magick.ico") + "' && ";
  command += "/usr/bin/icotool -c -o '" + at("icotool.ico") + "' -b 32" + png(16) + " -b 4" + png(16) +
             " -b 8" + png(32) + " -b 32" + png(48) + " -r" + png(256);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  std::map<std::string, Bytes> files = Files();
  files["magick.ico"] = *ReadWholeFile(at("magick.ico"));
  files["icotool.ico"] = *ReadWholeFile(at("icotool.ico"));
  std::string cases = "[";
  for (const Save& save : Saves()) {
    if (std::string(save.name).starts_with("mask")) continue;  // the same images as the two 4-bit saves
    for (const auto& [name, before] : files) {
      Write(at(name), before);
      std::string after = std::string(save.name) + "-" + name;
      std::replace(after.begin(), after.end(), ' ', '_');
      Write(at(after), before);
      ASSERT_TRUE(save.write(at(after)));
      ExpectKeptAndPut(before, *ReadWholeFile(at(after)), save);
      cases += std::string(cases.size() > 1 ? "," : "") + "{\"before\":\"" + name + "\",\"after\":\"" +
               after + "\",\"replaced\":[" + std::to_string(save.kind.edge) + "," +
               std::to_string(save.kind.bitCount) + "," + (save.kind.png ? "1" : "0") + "]}";
    }
  }
  std::ofstream(at("cases.json")) << cases << "]";
  const char* source = std::getenv("PF_SOURCE_DIR") ? std::getenv("PF_SOURCE_DIR") : PF_SOURCE_DIR;
  const std::string check =
      "/usr/bin/python3 '" + std::string(source) + "/tests/model/icon_set_check.py' '" + dir.string() + "'";
  const int status = std::system(check.c_str());
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) PF_SKIP_CROSS_CHECK("Pillow is not installed");
  EXPECT_EQ(status, 0) << check;
}

}  // namespace
}  // namespace pf
