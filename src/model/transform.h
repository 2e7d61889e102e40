// The image transformation tool: a private copy of the picture that is flipped, turned and shifted, and
// resampled (fine rotation in 5 degree steps and scaling) from the picture as it was captured.
//
// Images are 32 x 32 palette indices in bitmap order (row 0 at the bottom); "up" is towards row 31.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "model/image_ops.h"

namespace pf {

// What each transformation window keeps.
struct TransformState {
  Image32 work{};    // W: shown and written back
  Image32 source{};  // S: captured; every resampling reads from it
  Image32 backup{};  // W before the last one-pixel shift; all 0 until the first
  int angle = 0;     // degrees, 0..355 in steps of 5
  double scale = 0;  // 0 until first set; a resampling stores 0 as 1.0
};

// Shown when a resampling fails because the scale is so close to 0 that a source coordinate leaves
// the 32-bit range.
inline constexpr const char* kOverflowMessage = "オーバーフローしました。";

// W and S := the first 1024 pixels, angle := 0. The scale and the backup stay.
void CaptureImage(TransformState& state, std::span<const std::uint8_t> pixels);

void FlipVertical(Image32& image);
void FlipHorizontal(Image32& image);
// Quarter turns of the picture as shown: right is clockwise.
void Rotate90Left(Image32& image);
void Rotate90Right(Image32& image);

// backup := W, then W moves one pixel; "restore" puts the backup back (one step only).
void ShiftWork(TransformState& state, ShiftDirection direction);
void RestoreWork(TransformState& state);

// Nearest-neighbour resampling of `source` turned by `angle` degrees (positive: counter-clockwise) about
// pixel (15, 15) and scaled by `scale` (negative turns by 180 degrees). Pixels whose source lies outside
// the picture become 0. No result when a source coordinate leaves the 32-bit range. A scale of 0 is
// used as given: callers replace it by 1.0 first.
std::optional<Image32> ResampleImage(const Image32& source, int angle, double scale);

struct ResampleResult {
  bool ok = true;
  std::string message;  // kOverflowMessage on failure
};

enum class TurnDirection { Left, Right };

// Fine rotation: the angle moves 5 degrees (left adds, right subtracts, kept in 0..359), then W is
// resampled from S. On failure W stays, while the angle keeps its new value.
ResampleResult RotateFine(TransformState& state, TurnDirection direction);
// Stores the scale (the scale box read as a decimal number) and resamples W from S at the current angle.
ResampleResult Rescale(TransformState& state, double scale);

}  // namespace pf
