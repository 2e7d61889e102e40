// The settings file text functions on arbitrary text. The first three bytes give the lengths of a
// section, a key and a value taken from the bytes behind them; the rest is the file. Whatever can be
// stored must read back exactly, and storing it again must change nothing.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
  auto take = [&rest](std::size_t n) {
    n = std::min(n, rest.size());
    const std::string_view part = rest.substr(0, n);
    rest.remove_prefix(n);
    return part;
  };
  const std::string_view section = take(data[0] % 16);
  const std::string_view key = take(data[1] % 16);
  const std::string_view value = take(data[2] % 64);
  const std::string_view text = rest;

  (void)pf::ProfileRead(text, section, key);
  const auto written = pf::ProfileWrite(text, section, key, value);
  if (!written) return 0;
  const auto back = pf::ProfileRead(*written, section, key);
  if (!back || *back != value) std::abort();
  const auto twice = pf::ProfileWrite(*written, section, key, value);
  if (!twice || *twice != *written) std::abort();
  return 0;
}
