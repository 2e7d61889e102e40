#include "model/local_name.h"

namespace pf {

namespace {

bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the valid UTF-8 sequence at the start of `s` and its code point, or 0.
std::size_t ValidSequence(std::string_view s, char32_t& code) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) {
    code = b0;
    return 1;
  }
  std::size_t length = 0;
  char32_t min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, code = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, code = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, code = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    code = (code << 6) | (b & 0x3F);
  }
  if (code < min || code > 0x10FFFF || IsSurrogate(code)) return 0;
  return length;
}

}  // namespace

std::u16string DecodeLocalName(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    char32_t code = 0;
    std::size_t length = ValidSequence(bytes, code);
    if (length == 0) {
      code = 0xDC00 + static_cast<unsigned char>(bytes[0]);
      length = 1;
    }
    AppendUtf16(out, code);
    bytes.remove_prefix(length);
  }
  return out;
}

std::string EncodeLocalName(std::u16string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char32_t c : NameCodePoints(name)) {
    if (c >= kRawByteFirst && c <= kRawByteLast) {
      out += static_cast<char>(c - 0xDC00);
    } else {
      AppendUtf8(out, IsSurrogate(c) ? char32_t{0xFFFD} : c);
    }
  }
  return out;
}

std::vector<char32_t> NameCodePoints(std::u16string_view name) {
  std::vector<char32_t> out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char32_t c = name[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((c - 0xD800) << 10) + (name[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string NameUnitsOf(char32_t code) {
  std::u16string out;
  if (code >= kRawByteFirst && code <= kRawByteLast) {
    out += static_cast<char16_t>(code);
  } else if (code > 0 && code <= 0x10FFFF && !IsSurrogate(code)) {
    AppendUtf16(out, code);
  }
  return out;
}

}  // namespace pf
