// Reading a dropped 16-colour picture the way every window that takes drops does: an icon or a bitmap as
// KindOfPictureFile decides, with the readers' messages.
#pragma once

#include <QString>
#include <optional>

#include "model/colour.h"
#include "model/icon_file.h"
#include "model/shared_state.h"

class QWidget;

namespace pf {

class AppContext;

struct Picture16 {
  Palette palette{};
  PixelArray pixels{};  // laid out like the icon pixels; the spare element is 0
};

// Which reader a picture file goes to (PictureKindOf): its own name, or its first bytes when the name
// says nothing. Every open of a 16-colour picture asks this: the open command, drops, a file handed
// over on the command line or the channel, the file list.
PictureKind KindOfPictureFile(const QString& path);

// The picture of a dropped file, or nothing when the name is neither an icon's nor a bitmap's (the user is
// told so) or the reader rejects the file (a bitmap that is too large says which side). The header copies
// of the file go to the shared state, as every read does.
std::optional<Picture16> ReadDroppedPicture(AppContext& app, QWidget* parent, const QString& path);

// The same for a file chosen in an icon open dialog: read as an icon whatever its name, silently.
std::optional<Picture16> ReadIconPicture(AppContext& app, const QString& path);

}  // namespace pf
