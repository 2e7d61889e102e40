// What the icon file tests share: little-endian byte access, icon files assembled without the writers, and
// the run of the independent decoder (tests/model/pillow_check.py).
#pragma once

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace pf::icontest {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}
inline unsigned get16(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
inline std::uint32_t get32(const Bytes& b, std::size_t at) {
  return get16(b, at) | (get16(b, at + 2) << 16);
}

// One image of an icon file assembled independently of the writers, for directories they never produce.
struct TestImage {
  int width, height, colourCount, bitCount;
  Bytes body;  // what follows the 40-byte header
};
inline Bytes makeIcon(const std::vector<TestImage>& images) {
  Bytes file(6 + 16 * images.size());
  put16(file, 2, 1);
  put16(file, 4, static_cast<unsigned>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const TestImage& im = images[i];
    const std::size_t e = 6 + 16 * i;
    file[e] = static_cast<std::uint8_t>(im.width);
    file[e + 1] = static_cast<std::uint8_t>(im.height);
    file[e + 2] = static_cast<std::uint8_t>(im.colourCount);
    put32(file, e + 8, static_cast<std::uint32_t>(40 + im.body.size()));
    put32(file, e + 12, static_cast<std::uint32_t>(file.size()));
    Bytes header(40);
    put32(header, 0, 40);
    put32(header, 4, static_cast<std::uint32_t>(im.width));
    put32(header, 8, static_cast<std::uint32_t>(2 * im.height));
    put16(header, 12, 1);
    put16(header, 14, static_cast<unsigned>(im.bitCount));
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), im.body.begin(), im.body.end());
  }
  return file;
}

// The decoder script, or an empty path when the tests do not know the source folder.
inline std::filesystem::path PillowScript() {
  const char* source = std::getenv("PF_SOURCE_DIR");
  return source ? std::filesystem::path(source) / "tests/model/pillow_check.py" : std::filesystem::path();
}

// Runs the decoder over a folder holding the files and their expected.json: 0 when Pillow sees what was
// meant, 77 when Pillow is not installed, anything else a difference (listed on standard error).
inline int RunPillowCheck(const std::filesystem::path& folder, std::string& command) {
  // Debian's interpreter is the one that has python3-pil.
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  command = "'" + python + "' '" + PillowScript().string() + "' '" + folder.string() + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pf::icontest

// A cross-check against an outside tool may skip where the tool is missing on a developer's machine.
// scripts/test installs every such tool and sets PF_REQUIRE_CROSS_CHECKS, so there a skip is a failure.
#define PF_SKIP_CROSS_CHECK(why)                                                             \
  do {                                                                                       \
    if (std::getenv("PF_REQUIRE_CROSS_CHECKS")) FAIL() << (why) << ", and it must run here"; \
    GTEST_SKIP() << (why);                                                                   \
  } while (false)
