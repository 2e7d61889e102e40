// Files written by other programs: bitmaps from ImageMagick's convert and icons from icoutils' icotool,
// made here from pictures the test draws, read by our readers and compared pixel by pixel and mask bit by
// mask bit with Pillow's decoding of the same file. Layouts those programs do not write (a gap before the
// rows, a short colour table) are made by hand. Our own bitmaps must be read by ImageMagick.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "model/icon_file.h"
#include "model/icon_test_support.h"

namespace pf {
namespace {

namespace fs = std::filesystem;
using namespace icontest;

const fs::path kConvert = "/usr/bin/convert";
const fs::path kIcotool = "/usr/bin/icotool";

// A picture in RGBA, top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::array<std::uint8_t, 4>> rgba;
};

// `colours` random colours (black and white when 2), the first pixels each a different one so the picture
// really has that many; every fifth pixel or so fully transparent when `holes`.
Picture drawPicture(std::mt19937& rng, int width, int height, int colours, bool holes) {
  std::vector<std::array<std::uint8_t, 4>> inks;
  for (int i = 0; i < colours; ++i) {
    const auto c = [&] { return static_cast<std::uint8_t>(colours == 2 ? 255 * i : rng() % 256); };
    inks.push_back({c(), c(), c(), 255});
  }
  Picture p{width, height, {}};
  for (int i = 0; i < width * height; ++i) {
    auto pixel = inks[static_cast<std::size_t>(i < colours ? i : static_cast<int>(rng() % colours))];
    if (holes && rng() % 5 == 0) pixel[3] = 0;
    p.rgba.push_back(pixel);
  }
  return p;
}

void writePicture(const fs::path& path, const Picture& p) {
  std::ofstream out(path, std::ios::binary);
  out << "P7\nWIDTH " << p.width << "\nHEIGHT " << p.height
      << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  for (const auto& px : p.rgba) out.write(reinterpret_cast<const char*>(px.data()), 4);
}

// Pillow's view of one file: its colour table (for an icon, that of the entry) and its pixels in RGBA, top
// row first.
struct Decoded {
  int width = 0, height = 0;
  std::vector<std::array<int, 3>> palette;
  std::vector<std::array<int, 4>> rgba;
};

// Arguments: the output file, then pairs of file and directory entry (-1 for a bitmap). An icon entry is
// found among Pillow's frames by its image offset.
constexpr const char* kPillowDecode = R"(
import struct, sys
try:
    from PIL import BmpImagePlugin, Image
except ImportError:
    sys.exit(77)
with open(sys.argv[1], "w") as out:
    for name, entry in zip(sys.argv[2::2], map(int, sys.argv[3::2])):
        image = Image.open(name)
        if entry < 0:
            image.load()
            palette = image.getpalette() if image.mode == "P" else []
            rgba = image.convert("RGBA")
        else:
            with open(name, "rb") as f:
                offset = struct.unpack_from("<I", f.read(), 6 + 16 * entry + 12)[0]
            ico = image.ico
            rgba = ico.frame([h["offset"] for h in ico.entry].index(offset)).convert("RGBA")
            ico.buf.seek(offset)
            # The entry's table as Pillow read it (loading the entry alone would fail on its mask).
            rawmode, raw = BmpImagePlugin.DibImageFile(ico.buf).palette.getdata()
            step = len(rawmode)
            palette = [raw[i + 2 - c] for i in range(0, len(raw), step) for c in range(3)]
        values = [rgba.width, rgba.height, len(palette) // 3] + palette
        values += [v for pixel in rgba.getdata() for v in pixel]
        out.write(" ".join(map(str, values)) + "\n")
)";

class ForeignFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("pf-foreign-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path at(const std::string& name) const { return dir_ / name; }

  // Runs a shell command with its output kept; false (and the output shown) when it fails.
  bool run(const std::string& command) {
    const std::string log = (dir_ / "log.txt").string();
    const int status = std::system((command + " >'" + log + "' 2>&1").c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    ADD_FAILURE() << command << "\n" << text.str();
    return false;
  }

  // 0 with one decoding per job, 77 when Pillow is missing, anything else a failure of the decoder.
  int decode(const std::vector<std::pair<std::string, int>>& jobs, std::vector<Decoded>& out) {
    std::ofstream(dir_ / "decode.py") << kPillowDecode;
    // Debian's interpreter is the one that has python3-pil.
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    std::string command =
        "'" + python + "' '" + at("decode.py").string() + "' '" + at("decoded.txt").string() + "'";
    for (const auto& [file, entry] : jobs) command += " '" + at(file).string() + "' " + std::to_string(entry);
    const int status = std::system((command + " 2>'" + at("decode.log").string() + "'").c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code != 0 && code != 77) {
      std::ifstream log(at("decode.log"));
      std::stringstream text;
      text << log.rdbuf();
      ADD_FAILURE() << command << "\n" << text.str();
    }
    if (code != 0) return code;
    std::ifstream in(at("decoded.txt"));
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream values(line);
      Decoded d;
      std::size_t colours = 0;
      values >> d.width >> d.height >> colours;
      d.palette.resize(colours);
      for (auto& e : d.palette) values >> e[0] >> e[1] >> e[2];
      d.rgba.resize(static_cast<std::size_t>(d.width * d.height));
      for (auto& px : d.rgba) values >> px[0] >> px[1] >> px[2] >> px[3];
      out.push_back(std::move(d));
    }
    return out.size() == jobs.size() ? 0 : 1;
  }

  fs::path dir_;
};

struct Targets {
  std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
  Palette palette{};
  std::array<std::uint8_t, kPackedSize> packed{};
  std::array<std::uint8_t, kMaskSize> mask{};
  IconReadTargets get() { return {palette, packed, mask, *state}; }
};

int packedPixel(std::span<const std::uint8_t> packed, int storageRow, int x) {
  const std::uint8_t b = packed[static_cast<std::size_t>(storageRow * 16 + x / 2)];
  return x % 2 == 0 ? b >> 4 : b & 0x0F;
}
bool maskBit(std::span<const std::uint8_t> mask, int storageRow, int x) {
  return (mask[static_cast<std::size_t>(storageRow * 4 + x / 8)] >> (7 - x % 8)) & 1;
}
std::array<int, 3> rgbOf(const PaletteEntry& e) {
  return {e.red, e.green, e.blue};
}

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Our reading of a bitmap or a 32 x 32 icon (mask given) against Pillow's: every pixel's colour, every
// mask bit, and the colour table.
void expectSame(const std::string& what, const Decoded& d, const Palette& palette,
                std::span<const std::uint8_t> packed, const std::uint8_t* mask) {
  ASSERT_GE(d.palette.size(), 1u) << what;
  for (std::size_t i = 0; i < std::min<std::size_t>(d.palette.size(), 16); ++i) {
    EXPECT_EQ(rgbOf(palette[i]), d.palette[i]) << what << " colour " << i;
  }
  int wrong = 0;
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < d.width; ++x) {
      const int r = d.height - 1 - y;
      const auto& px = d.rgba[static_cast<std::size_t>(y * d.width + x)];
      const bool colourOk = rgbOf(palette[packedPixel(packed, r, x)]) == std::array{px[0], px[1], px[2]};
      const bool maskOk = mask == nullptr ? px[3] == 255 : maskBit({mask, kMaskSize}, r, x) == (px[3] == 0);
      if ((!colourOk || !maskOk) && ++wrong <= 3)
        ADD_FAILURE() << what << ": differs at (" << x << ", " << y << ")";
    }
  }
}

TEST_F(ForeignFiles, ImageMagickBitmapsReadLikePillowReadsThem) {
  if (!fs::exists(kConvert)) PF_SKIP_CROSS_CHECK("ImageMagick is not installed (Debian package imagemagick)");
  std::mt19937 rng(41);
  // Most pictures are mapped onto one 16-colour table (a one-pixel picture would otherwise have one
  // colour, which ImageMagick writes with 1 bit); one is reduced to 16 colours, which takes ImageMagick
  // over a second.
  writePicture(at("sixteen.pam"), drawPicture(rng, 16, 1, 16, false));
  const std::string remap = "+dither -remap '" + at("sixteen.pam").string() + "'";
  struct Size {
    int width, height;
    bool reduce;
  };
  const std::vector<Size> sizes = {{1, 1, false},  {3, 2, false},  {5, 30, false}, {9, 9, false},
                                   {17, 9, false}, {31, 32, true}, {32, 32, false}};
  std::string commands = "true";
  std::vector<std::pair<std::string, int>> jobs;
  for (const Size& s : sizes) {
    const std::string name = std::to_string(s.width) + "x" + std::to_string(s.height);
    writePicture(at(name + ".pam"), drawPicture(rng, s.width, s.height, 40, false));
    commands += " && '" + kConvert.string() + "' '" + at(name + ".pam").string() + "' -alpha off " +
                (s.reduce ? "-colors 16 -type Palette" : remap) + " -write BMP3:'" +
                at(name + "-3.bmp").string() + "' BMP:'" + at(name + "-5.bmp").string() + "'";
    jobs.emplace_back(name + "-3.bmp", -1);
    jobs.emplace_back(name + "-5.bmp", -1);
  }
  ASSERT_TRUE(run(commands));
  std::vector<Decoded> decoded;
  const int status = decode(jobs, decoded);
  if (status == 77) PF_SKIP_CROSS_CHECK("Pillow is not installed (Debian package python3-pil)");
  ASSERT_EQ(status, 0);

  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const std::string& file = jobs[i].first;
    const Bytes bytes = readFile(at(file));
    // The files are what they are meant to test: 4-bit, with the short header and the long one.
    ASSERT_EQ(get16(bytes, 28), 4u) << file;
    EXPECT_EQ(get32(bytes, 14), i % 2 == 0 ? 40u : 124u) << file;
    Targets t;
    ASSERT_EQ(ParseBitmap16(bytes, t.get()), IconReadStatus::Ok) << file;
    ASSERT_EQ(t.state->BitmapWidth, decoded[i].width) << file;
    ASSERT_EQ(t.state->BitmapHeight, decoded[i].height) << file;
    expectSame(file, decoded[i], t.palette, t.packed, nullptr);
  }
}

TEST_F(ForeignFiles, IcotoolIconsReadLikePillowReadsThem) {
  if (!fs::exists(kConvert)) PF_SKIP_CROSS_CHECK("ImageMagick is not installed (Debian package imagemagick)");
  if (!fs::exists(kIcotool)) PF_SKIP_CROSS_CHECK("icotool is not installed (Debian package icoutils)");
  std::mt19937 rng(42);
  struct Source {
    const char* name;
    int edge, colours;
  };
  // Each picture is different, so an image read from the wrong entry cannot match.
  const std::vector<Source> sources = {{"a1", 32, 2},   {"a4", 32, 10}, {"b4", 32, 12}, {"a8", 32, 60},
                                       {"a32", 32, 90}, {"c1", 16, 2},  {"c4", 16, 7},  {"d4", 16, 14},
                                       {"c8", 16, 50},  {"c32", 16, 70}};
  std::string pictures;
  for (const Source& s : sources) {
    writePicture(at(std::string(s.name) + ".pam"), drawPicture(rng, s.edge, s.edge, s.colours, true));
    pictures += " '" + at(std::string(s.name) + ".pam").string() + "'";
  }
  std::string commands = "'" + kConvert.string() + "'" + pictures + " '" + at("p%d.png").string() + "'";
  auto png = [&](const std::string& name) {
    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (name == sources[i].name) return "'" + at("p" + std::to_string(i) + ".png").string() + "'";
    }
    return std::string();
  };

  struct Icon {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;  // icotool option, picture
    int entry32, entry16;                                      // the entries to be read, -1 for none
  };
  const std::vector<Icon> icons = {
      {"mixed", {{"-b 1", "a1"}, {"-b 4", "a4"}, {"-b 8", "c8"}, {"-b 4", "c4"}, {"-b 32", "a32"}}, 1, 3},
      {"deep",
       {{"-b 32", "a32"},
        {"-b 8", "a8"},
        {"-b 32", "c32"},
        {"-b 1", "c1"},
        {"-b 4", "d4"},
        {"-b 4", "b4"},
        {"-b 4", "a4"}},
       5,
       4},
      {"png", {{"-r", "a32"}, {"-b 4", "c4"}, {"-b 4", "b4"}, {"-b 4", "d4"}}, 2, 1},
      {"none", {{"-b 8", "a8"}, {"-b 32", "c32"}, {"-b 1", "a1"}}, -1, -1},
  };
  std::vector<std::pair<std::string, int>> jobs;
  for (const Icon& icon : icons) {
    commands += " && '" + kIcotool.string() + "' -c -o '" + at(icon.name + ".ico").string() + "'";
    for (const auto& [option, picture] : icon.entries) commands += " " + option + " " + png(picture);
    for (const int entry : {icon.entry32, icon.entry16}) {
      if (entry >= 0) jobs.emplace_back(icon.name + ".ico", entry);
    }
  }
  ASSERT_TRUE(run(commands));
  std::vector<Decoded> decoded;
  const int status = decode(jobs, decoded);
  if (status == 77) PF_SKIP_CROSS_CHECK("Pillow is not installed (Debian package python3-pil)");
  ASSERT_EQ(status, 0);

  auto job = decoded.begin();
  for (const Icon& icon : icons) {
    const Bytes bytes = readFile(at(icon.name + ".ico"));
    ASSERT_EQ(get16(bytes, 4), icon.entries.size()) << icon.name;
    // The entries have the depths asked for, so the ones in front really are other kinds of image.
    for (std::size_t i = 0; i < icon.entries.size(); ++i) {
      const std::uint32_t offset = get32(bytes, 6 + 16 * i + 12);
      const std::string& option = icon.entries[i].first;
      if (option == "-r") {
        EXPECT_EQ(bytes[offset + 1], 'P') << icon.name << " entry " << i;
      } else {
        EXPECT_EQ("-b " + std::to_string(get16(bytes, offset + 14)), option) << icon.name << " entry " << i;
      }
    }

    Targets t;
    const IconReadStatus read32 = ParseIcon32(bytes, t.get());
    PixelArray pixels{};
    pixels.fill(0xEE);
    const int read16 = ReadIcon16(bytes, pixels, *t.state);
    if (icon.entry32 < 0) {
      EXPECT_EQ(read32, IconReadStatus::Failed) << icon.name;
    } else {
      ASSERT_EQ(read32, IconReadStatus::Ok) << icon.name;
      ASSERT_EQ(job->width, 32);
      expectSame(icon.name + " 32x32", *job++, t.palette, t.packed, t.mask.data());
    }
    if (icon.entry16 < 0) {
      EXPECT_EQ(read16, -1) << icon.name;
      continue;
    }
    ASSERT_EQ(read16, 0) << icon.name;
    // The 16 x 16 reader takes no palette: its indices must pick Pillow's colours from the entry's table.
    const Decoded& d = *job++;
    ASSERT_EQ(d.width, 16);
    int wrong = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const std::size_t index = pixels[static_cast<std::size_t>((15 - y) * 32 + x)];
        const auto& px = d.rgba[static_cast<std::size_t>(y * 16 + x)];
        const bool same = index < d.palette.size() && d.palette[index] == std::array{px[0], px[1], px[2]};
        if (!same && ++wrong <= 3)
          ADD_FAILURE() << icon.name << " 16x16 differs at (" << x << ", " << y << ")";
      }
    }
  }
}

// A picture of indices for the hand-made files, top row first.
std::vector<int> indexPicture(std::mt19937& rng, int width, int height, int colours) {
  std::vector<int> p(static_cast<std::size_t>(width * height));
  for (int& v : p) v = static_cast<int>(rng() % colours);
  return p;
}

// A 4-bit bitmap with a `headerSize`-byte information header, `used` in colours used (0: 16 entries), and
// `gap` spare bytes between the colour table and the rows. Spare bytes and row padding are 0xEE.
Bytes handBitmap(const std::vector<int>& picture, int width, int height, std::uint32_t headerSize,
                 std::uint32_t used, std::size_t gap, const Palette& palette) {
  const std::size_t table = 14 + headerSize, rows = table + 4 * (used ? used : 16) + gap;
  const std::size_t rowSize = 4 * ((static_cast<std::size_t>(width) + 7) / 8);
  Bytes f(rows + rowSize * static_cast<std::size_t>(height), 0xEE);
  std::fill(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(table), 0);
  f[0] = 'B';
  f[1] = 'M';
  put32(f, 2, static_cast<std::uint32_t>(f.size()));
  put32(f, 10, static_cast<std::uint32_t>(rows));
  put32(f, 14, headerSize);
  put32(f, 18, static_cast<std::uint32_t>(width));
  put32(f, 22, static_cast<std::uint32_t>(height));
  put16(f, 26, 1);
  put16(f, 28, 4);
  put32(f, 46, used);
  std::memcpy(f.data() + table, palette.data(), 4 * (used ? used : 16));
  for (int r = 0; r < height; ++r) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t& b = f[rows + static_cast<std::size_t>(r) * rowSize + static_cast<std::size_t>(x / 2)];
      const int v = picture[static_cast<std::size_t>((height - 1 - r) * width + x)];
      b = static_cast<std::uint8_t>(x % 2 == 0 ? (v << 4) | 0x0E : (b & 0xF0) | v);
    }
  }
  return f;
}

TEST(HandMadeFiles, BitmapRowsStartAtTheDataOffset) {
  std::mt19937 rng(43);
  Palette palette{};
  for (auto& e : palette) e = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 7, 0};
  struct Case {
    const char* what;
    std::uint32_t headerSize, used;
    std::size_t gap;
  };
  for (const Case& c : std::vector<Case>{{"8 spare bytes", 40, 0, 8},
                                         {"8 colours", 40, 8, 0},
                                         {"8 colours and a gap", 40, 8, 12},
                                         {"108-byte header", 108, 0, 4},
                                         {"124-byte header, 3 colours", 124, 3, 0}}) {
    const int colours = c.used ? static_cast<int>(c.used) : 16;
    const std::vector<int> picture = indexPicture(rng, 17, 9, colours);
    Targets t;
    ASSERT_EQ(ParseBitmap16(handBitmap(picture, 17, 9, c.headerSize, c.used, c.gap, palette), t.get()),
              IconReadStatus::Ok)
        << c.what;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(t.palette[i], i < colours ? palette[i] : PaletteEntry{}) << c.what;
    for (int r = 0; r < 32; ++r) {
      for (int x = 0; x < 32; ++x) {
        const int expected = r < 9 && x < 17 ? picture[static_cast<std::size_t>((8 - r) * 17 + x)] : 0;
        ASSERT_EQ(packedPixel(t.packed, r, x), expected) << c.what << " row " << r << " x " << x;
      }
    }
  }

  // What cannot be read right is refused; without the signature nothing is taken at all.
  const Bytes good = handBitmap(indexPicture(rng, 17, 9, 16), 17, 9, 40, 0, 8, palette);
  auto variant = [&](auto change) {
    Bytes f = good;
    change(f);
    return f;
  };
  for (const Bytes& bad : {variant([](Bytes& f) { f[1] = 'A'; }), variant([](Bytes& f) { f[0] = 0; }),
                           variant([](Bytes& f) { put32(f, 10, 100); }),  // inside the colour table
                           variant([](Bytes& f) { put32(f, 10, static_cast<std::uint32_t>(f.size()) - 40); }),
                           variant([](Bytes& f) { put32(f, 14, 64); })}) {
    Targets t;
    t.palette.fill({1, 2, 3, 0});
    t.packed.fill(0xAB);
    EXPECT_EQ(ParseBitmap16(bad, t.get()), IconReadStatus::Failed);
    EXPECT_TRUE(std::all_of(t.packed.begin(), t.packed.end(), [](std::uint8_t b) { return b == 0xAB; }));
    if (bad[1] != 'M' || bad[0] != 'B') {
      EXPECT_EQ(t.palette[0], (PaletteEntry{1, 2, 3, 0}));
      EXPECT_EQ(t.state->BitmapWidth, 0);
      EXPECT_TRUE(t.state->IconImageHeaders.empty());
    }
  }
}

TEST(HandMadeFiles, IconImagesWithShortColourTables) {
  std::mt19937 rng(44);
  Palette palette{};
  for (auto& e : palette) e = {static_cast<std::uint8_t>(rng()), 9, static_cast<std::uint8_t>(rng()), 0};
  // Behind 8 table entries: the pixels (indices 0..7), then the mask.
  auto image = [&](int edge, Bytes& pixels, Bytes& mask) {
    pixels.assign(static_cast<std::size_t>(edge * edge / 2), 0);
    for (auto& b : pixels) b = static_cast<std::uint8_t>((rng() % 8) << 4 | rng() % 8);
    mask.assign(static_cast<std::size_t>(edge * 4), 0);
    for (auto& b : mask) b = static_cast<std::uint8_t>(rng());
    Bytes body(8 * 4);
    std::memcpy(body.data(), palette.data(), body.size());
    body.insert(body.end(), pixels.begin(), pixels.end());
    body.insert(body.end(), mask.begin(), mask.end());
    return TestImage{edge, edge, 8, 4, body};
  };
  Bytes pixels32, mask32, pixels16, mask16;
  // A 1-bit 32 x 32 image in front, as other programs put them.
  Bytes oneBit(8 + 128 + 128, 0x55);
  Bytes file = makeIcon({{32, 32, 2, 1, oneBit}, image(32, pixels32, mask32), image(16, pixels16, mask16)});
  for (std::size_t i = 1; i < 3; ++i) put32(file, get32(file, 6 + 16 * i + 12) + 32, 8);

  Targets t;
  ASSERT_EQ(ParseIcon32(file, t.get()), IconReadStatus::Ok);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(t.palette[i], i < 8 ? palette[i] : PaletteEntry{}) << i;
  EXPECT_EQ(Bytes(t.packed.begin(), t.packed.end()), pixels32);
  EXPECT_EQ(Bytes(t.mask.begin(), t.mask.end()), mask32);

  PixelArray px{};
  ASSERT_EQ(ReadIcon16(file, px, *t.state), 0);
  for (int r = 0; r < 16; ++r) {
    for (int x = 0; x < 16; ++x) {
      const std::uint8_t b = pixels16[static_cast<std::size_t>(8 * r + x / 2)];
      ASSERT_EQ(px[r * 32 + x], x % 2 == 0 ? b >> 4 : b & 0x0F) << r << " " << x;
    }
  }
}

TEST_F(ForeignFiles, ImageMagickReadsOurBitmaps) {
  std::mt19937 rng(45);
  Palette palette{};
  for (auto& e : palette) e = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 200, 0};
  std::array<std::uint8_t, kPackedSize> packed{};
  for (auto& b : packed) b = static_cast<std::uint8_t>(rng());
  const std::vector<std::pair<int, int>> sizes = {{1, 1}, {9, 9}, {17, 9}, {10, 12}, {32, 32}};
  std::string files;
  for (const auto& [w, h] : sizes) {
    const Bytes bytes = BuildBitmapFile(packed, w, h, palette);
    EXPECT_EQ(get32(bytes, 2), bytes.size()) << w << "x" << h;
    const std::string name = "ours" + std::to_string(w) + "x" + std::to_string(h) + ".bmp";
    ASSERT_EQ(WriteBitmapFile(at(name).string(), packed, w, h, palette), 0);
    files += " '" + at(name).string() + "'";
  }
  if (!fs::exists(kConvert)) PF_SKIP_CROSS_CHECK("ImageMagick is not installed (Debian package imagemagick)");
  // One plain RGB file per bitmap; ImageMagick fails the whole command on a file it rejects.
  ASSERT_TRUE(run("'" + kConvert.string() + "'" + files + " -depth 8 '" + at("back%d.ppm").string() + "'"));
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const auto [w, h] = sizes[i];
    const Bytes ppm = readFile(at("back" + std::to_string(i) + ".ppm"));
    const std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    ASSERT_EQ(std::string(ppm.begin(), ppm.begin() + static_cast<std::ptrdiff_t>(head.size())), head);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* rgb = ppm.data() + head.size() + 3 * static_cast<std::size_t>(y * w + x);
        ASSERT_EQ((std::array<int, 3>{rgb[0], rgb[1], rgb[2]}),
                  rgbOf(palette[packedPixel(packed, h - 1 - y, x)]))
            << w << "x" << h << " at " << x << ", " << y;
      }
    }
  }
}

}  // namespace
}  // namespace pf
