// Operations on the palette indices of the whole picture: conversion between indices, bitwise
// arithmetic with a one-digit operand, random fill, and two-colour check patterns.
//
// Conversion and arithmetic visit every element of the span they are given, in ascending order. The
// windows pass the whole pixel array, so the spare element behind the 1024 pixels is converted along
// with them; it is never shown or saved, and visiting it stays inside the array. Every result stays a
// palette index 0..15: arguments that would break that are refused or clamped as documented below.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "model/shared_state.h"

namespace pf {

enum class ConversionMode {
  Replace = 0,      // p1 becomes p2
  Exchange = 1,     // p1 and p2 swap
  EraseAllBut = 2,  // everything but p1 becomes the transparent index
  EraseOnly = 3,    // p1 becomes the transparent index
};

// Returns false and changes nothing when p1, p2 or the transparent index lies outside 0..15 (p2 only
// matters in the first two modes).
bool ConvertPalette(std::span<std::uint8_t> pixels, ConversionMode mode, int p1, int p2,
                    int transparentIndex);

enum class ArithmeticMode { Invert = 0, Xor = 1, Or = 2, And = 3, Random = 4 };

// Invert is XOR with 15. The operand is clamped to 0..15, the way its text box caps it at "F". Random
// fill calls `uniform` once per element and expects [0, 1); each pixel becomes r * 15 rounded half to
// even, clamped to 0..15 should the generator stray. `uniform` is only used in Random mode.
void ApplyArithmetic(std::span<std::uint8_t> pixels, ArithmeticMode mode, int operand,
                     const std::function<double()>& uniform = {});

// A fresh uniform [0, 1) generator seeded from the current time of day, for one random fill.
std::function<double()> TimeSeededUniform();

using CheckPattern = std::array<std::uint8_t, kPixelCount>;

enum class CombineMode { Copy = 0, Xor = 1, Or = 2, And = 3 };

// Square cells of `size` pixels from the bottom-left corner, which has colour c2; neighbouring cells
// alternate with c1. Cells reaching the top row or the right column are cut there. No pattern for a size
// below 1 or a colour outside 0..15.
std::optional<CheckPattern> BuildCheckPattern(int c1, int c2, int size);

// Combines the pattern with the first 1024 pixels; the spare element is not part of the picture here.
void ApplyCheckPattern(std::span<std::uint8_t> pixels, const CheckPattern& pattern, CombineMode mode);

}  // namespace pf
