// Decoding a small PNG or GIF for the editor, which takes it as its picture exactly (ReadSmallPicture).
#pragma once

#include <QString>
#include <optional>

#include "model/indexed_picture.h"

namespace pf {

// Whether the name says PNG or GIF, in any letter case.
bool IsSmallPictureName(const QString& path);

// The pixels of the picture at `path`, with its colour table and pixel numbers when it is stored with a
// palette. A picture wider or higher than 32 is not decoded: only its size comes back, without pixels.
// Nothing when the file cannot be read as a picture.
std::optional<DecodedPicture> DecodeSmallPicture(const QString& path);

}  // namespace pf
