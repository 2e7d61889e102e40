// What the tool windows' number boxes do to a text as it is typed. Each rule takes the box's new text
// and returns the text the box is to show instead, or nothing when the text stays as typed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pf {

// Palette numbers of the conversion window: a text reading (as a rounded decimal) 16 or more or below 0
// is cleared; otherwise a text whose hexadecimal reading is 1..15 shows that value in decimal ("b" shows
// "11"), while "12" or "1b" stay as typed.
std::optional<std::string> PaletteNumberRule(std::string_view text);

// The arithmetic operand: a hexadecimal reading above 15 becomes "F".
std::optional<std::string> OperandRule(std::string_view text);

// The check pattern's cell size: a decimal reading above 31 becomes "31".
std::optional<std::string> CheckSizeRule(std::string_view text);

// The mouse-draw palette box: above 15 becomes "15", negative becomes "0".
std::optional<std::string> MouseDrawPaletteRule(std::string_view text);

// MouseDraw's mix colours: negative becomes "0"; a text reading as decimal 0 whose hexadecimal reading
// is 10 or more (a leading letter A-F) shows that value in decimal, capped at 15; above 15 becomes "15".
std::optional<std::string> MixColourRule(std::string_view text);

// The palette index a box holds (its text read as a rounded decimal), when it is 0..15.
std::optional<int> PaletteIndexOf(std::string_view text);

}  // namespace pf
