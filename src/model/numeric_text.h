// Reading numbers out of what the user typed, and rounding.
//
// Every text box and question of the program reads its number through these, so "12abc", "", "  7",
// "１２" and "1e999" all mean the same thing everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pf {

// What an input method types, read as plain ASCII: the full-width forms U+FF01..U+FF5E ("－１２",
// "ａ") become their ASCII characters and the ideographic space U+3000 a space, as Unicode compatibility
// normalisation (NFKC) maps them; every other character stays as it is. The readers below apply it
// themselves, so "１２" reads as 12 in every box and question.
std::string AsciiNumberText(std::string_view utf8);

// Nearest integer, halves to the even neighbour. Out-of-range values saturate; NaN gives 0.
std::int64_t RoundHalfEven(double value);
int RoundToInt(double value);

// The leading decimal number of a text: optional sign, digits, a decimal point and an exponent. Spaces and
// tabs are skipped; reading stops at the first other character. Empty or non-numeric text reads as 0.
double ReadDecimal(std::string_view text);
// ReadDecimal rounded half to even and saturated to int.
int ReadDecimalInt(std::string_view text);

// The leading hexadecimal digits of a text ("1b" is 27, "G" is 0, "" is 0). Saturates far above any
// value the program uses rather than wrapping.
std::int64_t ReadHex(std::string_view text);

}  // namespace pf
