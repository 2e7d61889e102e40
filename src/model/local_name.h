// File names as the file system gives them (bytes, UTF-8 where they are text) and as the program keeps
// them (UTF-16). A byte that is not part of valid UTF-8 is kept as the lone surrogate U+DC00 + byte
// (U+DC80..U+DCFF), which no valid name contains, so every name round-trips byte for byte while valid
// names read exactly as their UTF-8 says.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pf {

inline constexpr char32_t kRawByteFirst = 0xDC80;
inline constexpr char32_t kRawByteLast = 0xDCFF;

// Bytes to UTF-16: strict UTF-8 (no overlong forms, no encoded surrogates, nothing above U+10FFFF);
// every byte outside it becomes its escape.
std::u16string DecodeLocalName(std::string_view bytes);
// UTF-16 to bytes: escapes give their byte back, other lone surrogates become U+FFFD.
std::string EncodeLocalName(std::u16string_view name);

// The code points of a name as they go through the file-name channel, one per 811 message: pairs as one
// code point, an escape as its own value (lone surrogates stay what they are).
std::vector<char32_t> NameCodePoints(std::u16string_view name);
// What one received code point appends to a name: a character, an escape, or nothing (an empty text)
// for a value that is neither.
std::u16string NameUnitsOf(char32_t code);

}  // namespace pf
