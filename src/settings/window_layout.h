// Window layouts on the desktop: PF.ini made at the first start, pattern 0 applied at every start, and
// saving and restoring the ten patterns for the screen setting window. What a pattern holds and how it
// is stored is in model/window_layouts.h; this side places, shows and reads the real windows.
//
// Where the desktop places windows itself (a Wayland session), patterns restore the windows, their
// files and the editor's visibility, and leave every position to the desktop.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

class QWidget;

namespace pf {

class AppContext;

// Whether the desktop lets a program choose where its windows stand.
bool WindowsCanBePlaced();
// Where a window of this frame goes for a position in pixels: there, or onto the nearest screen when it
// would be out of reach on every screen.
QPoint ReachablePosition(const QRect& frame);
// Moves a window (frame included) to a position in twips, kept reachable; nothing where the desktop
// places windows itself.
void PlaceWindow(QWidget& window, int topTwips, int leftTwips);

// The main window's first activation: makes PF.ini when it is missing, then applies pattern 0.
void InitSetting(AppContext& app);
// Applies pattern 0..9: the editor's visibility, place and file, then every recorded window. An empty
// pattern changes nothing; windows and files that cannot be restored are passed over silently.
void LoadWindowPattern(AppContext& app, int n);
// Opens one recorded window ("Form1" .. "Form26"; any other name does nothing) at its place, in twips,
// with its file where it has one.
void ShowChildForm(AppContext& app, const QString& name, int top, int left, const QString& file);

// Loading a named pattern from the screen setting window: every window but the editor closes, the editor
// shows, the pattern is applied and the windows it leaves in front come forward.
void RestoreWindowPattern(AppContext& app, int n);
// Saves the open windows as pattern n under the name in the name box (its old name, or "パターン" and
// its number, when the box is empty). False when PF.ini cannot be written; it is then left as it was.
bool SaveWindowPattern(AppContext& app, int n, const QString& boxText);

}  // namespace pf
