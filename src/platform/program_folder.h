// The program folder: where PF.ini, Pal.pal and the default work files pfN.wrk, .w24 and .msk live.
//
// A copy run from its build folder, or unpacked anywhere its user may write, keeps them beside the
// executable. An installed copy may not write there (and must not, even when run by root), so it keeps
// them in a folder of the user's own, $XDG_CONFIG_HOME/pictoforge, made on first start with the shipped
// Pal.pal copied into it. Decided once at start-up; every window asks AppContext::programFolder().
#pragma once

#include <QString>
#include <QStringList>

namespace pf {

struct ProgramFolderPlaces {
  // The running executable's folder.
  QString executableFolder;
  // Where an installed copy finds its shipped files; the install rules put it at ../share/pictoforge as
  // seen from the executable.
  QString dataFolder;
  // The per-user folder.
  QString userFolder;
};

struct ProgramFolder {
  QString path;
  bool perUser = false;
  // One line each for what could not be prepared; the program runs on regardless, and the windows show
  // their own messages for files they then cannot read.
  QStringList problems;
};

// Chooses the program folder and, when it is the per-user one, creates it and copies Pal.pal into it
// unless the user already has one there. New folders are 0700, a new PF.ini and the copied Pal.pal 0600.
ProgramFolder ChooseProgramFolder(const ProgramFolderPlaces& places);

// Makes a folder and whatever is missing above it (~/.config on a fresh account), each new folder
// open to its owner only (0700); folders already there keep their mode. False when it cannot.
bool MakePrivateFolders(const QString& folder);

// The places of the running executable.
ProgramFolderPlaces RunningProgramPlaces();

}  // namespace pf
