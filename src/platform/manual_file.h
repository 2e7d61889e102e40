// Where the user's manual is, for ツール → マニュアル: the HTML the build makes from docs/manual.ja.md,
// with its pictures beside it.
#pragma once

#include <QString>

namespace pf {

struct ManualPlaces {
  // The running executable's folder. A portable copy carries the manual in doc/ beside it, as the build
  // folder does.
  QString executableFolder;
  // Where the package puts it: ../share/doc/pictoforge as seen from the executable.
  QString installedFolder;
  // The folder the build wrote the executable to, and the repository's docs/: used only when the
  // program runs from that very folder and the build made no HTML (the Markdown then opens).
  QString buildFolder;
  QString sourceDocs;
};

// The first manual found: doc/manual.ja.html beside the executable, then the installed one, then, when
// run from the build folder, the repository's manual. Empty when there is none.
QString FindManual(const ManualPlaces& places);

// The places of the running executable.
ManualPlaces RunningManualPlaces();

}  // namespace pf
