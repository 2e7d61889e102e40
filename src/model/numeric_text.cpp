#include "model/numeric_text.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace pf {

std::int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kMax = 9.2e18;
  if (value >= kMax) return std::numeric_limits<std::int64_t>::max();
  if (value <= -kMax) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::nearbyint(value));  // default mode: to nearest, ties to even
}

int RoundToInt(double value) {
  const std::int64_t r = RoundHalfEven(value);
  if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (r < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

std::string AsciiNumberText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 == 0xEF && i + 2 < utf8.size()) {
      // U+FF01..U+FF3F are EF BC 81..BF, U+FF40..U+FF5E are EF BD 80..9E.
      const auto b1 = static_cast<unsigned char>(utf8[i + 1]);
      const auto b2 = static_cast<unsigned char>(utf8[i + 2]);
      const unsigned code = ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);  // the low 12 bits of U+Fxxx
      if ((b1 == 0xBC || b1 == 0xBD) && (b2 & 0xC0) == 0x80 && code >= 0xF01 && code <= 0xF5E) {
        out += static_cast<char>(code - 0xF01 + 0x21);
        i += 2;
        continue;
      }
    }
    if (b0 == 0xE3 && i + 2 < utf8.size() && utf8[i + 1] == '\x80' && utf8[i + 2] == '\x80') {
      out += ' ';
      i += 2;
      continue;
    }
    out += utf8[i];
  }
  return out;
}

double ReadDecimal(std::string_view typed) {
  const std::string ascii = AsciiNumberText(typed);
  const std::string_view text = ascii;
  // Collect the numeric prefix without blanks, then let strtod do the arithmetic.
  std::string number;
  std::size_t i = 0;
  auto skip = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skip();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  bool digits = false;
  for (skip(); i < text.size() && IsDigit(text[i]); skip()) {
    number += text[i++];
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    for (skip(); i < text.size() && IsDigit(text[i]); skip()) {
      number += text[i++];
      digits = true;
    }
  }
  if (!digits) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::string exponent = "e";
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    bool expDigits = false;
    while (j < text.size() && IsDigit(text[j]) && exponent.size() < 8) {
      exponent += text[j++];
      expDigits = true;
    }
    if (expDigits) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

int ReadDecimalInt(std::string_view text) {
  return RoundToInt(ReadDecimal(text));
}

std::int64_t ReadHex(std::string_view typed) {
  const std::string ascii = AsciiNumberText(typed);
  const std::string_view text = ascii;
  std::int64_t value = 0;
  constexpr std::int64_t kCap = std::int64_t{1} << 40;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    value = value * 16 + digit;
    if (value > kCap) value = kCap;
  }
  return value;
}

}  // namespace pf
