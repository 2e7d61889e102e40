#include "model/input_rules.h"

#include <cstdint>

#include "model/numeric_text.h"

namespace pf {

namespace {
// A replacement equal to the text is no change: the box is not written, so no further change event.
std::optional<std::string> Replace(std::string_view text, std::string replacement) {
  if (replacement == text) return std::nullopt;
  return replacement;
}
}  // namespace

std::optional<std::string> PaletteNumberRule(std::string_view text) {
  const int d = ReadDecimalInt(text);
  std::int64_t h = ReadHex(text);
  if (h > 15) h = 0;
  if (d >= 16 || d < 0) return Replace(text, "");
  if (h != 0) return Replace(text, std::to_string(h));
  return std::nullopt;
}

std::optional<std::string> OperandRule(std::string_view text) {
  if (ReadHex(text) > 15) return Replace(text, "F");
  return std::nullopt;
}

std::optional<std::string> CheckSizeRule(std::string_view text) {
  if (ReadDecimal(text) > 31) return Replace(text, "31");
  return std::nullopt;
}

std::optional<std::string> MouseDrawPaletteRule(std::string_view text) {
  const double v = ReadDecimal(text);
  if (v > 15) return Replace(text, "15");
  if (v < 0) return Replace(text, "0");
  return std::nullopt;
}

std::optional<std::string> MixColourRule(std::string_view text) {
  const int d = ReadDecimalInt(text);
  if (d < 0) return Replace(text, "0");
  std::int64_t h = 0;
  if (d == 0) {
    const std::int64_t hex = ReadHex(text);
    if (hex >= 10) h = hex;
  }
  if (d > 15 || h > 15) h = 15;
  if (h > 0) return Replace(text, std::to_string(h));
  return std::nullopt;
}

std::optional<int> PaletteIndexOf(std::string_view text) {
  const int v = ReadDecimalInt(text);
  if (v < 0 || v > 15) return std::nullopt;
  return v;
}

}  // namespace pf
