// Window layouts kept in PF.ini: ten patterns in the sections FORM0 .. FORM9, each recording the main
// window (visible or not, where it stands, the file it shows) and the other windows that were open, in
// the order they were opened, each with its place and, for the photo window and the archives, its file.
// Pattern 0 is the start-up layout. Positions are in twips, 15 to a pixel.
//
// Keys of a pattern: Name, nForm, MainVisible ("True"/"False"), MainTop, MainLeft, File, and per window i
// (from 1) Chld<i> (its form name), ChldTop<i>, ChldLeft<i> and, where it has one, ChldFile<i>.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pf {

inline constexpr int kLayoutPatterns = 10;
inline constexpr int kTwipsPerPixel = 15;

// "FORM0" .. "FORM9".
std::string LayoutSection(int pattern);

// The windows a pattern may reopen: "Form1" .. "Form26", exactly as written.
bool IsRestorableFormName(std::string_view name);
// Whether a window's entry carries the file it shows: the photo window and the archive windows.
bool RecordsChildFile(std::string_view name);

// The farthest a window is ever placed, in pixels either way: far off every screen, yet a window's size
// (at most 2^24 pixels) added to it cannot overflow an int.
inline constexpr int kFarthestPixel = 1 << 28;

int PixelsToTwips(int pixels);
// Twips to the nearest pixel; any number, however large, negative or not a number at all, gives a
// position within kFarthestPixel.
int TwipsToPixels(double twips);

// What PF.ini holds after the first start: pattern 0 named START with the main window where it stands,
// nine empty patterns and the program folder as the browser's and the output folder. CR LF line ends.
std::string InitialSettingsText(bool mainVisible, int mainTopTwips, int mainLeftTwips,
                                std::string_view programFolder);

struct LayoutChild {
  std::string name;
  int top = 0;  // twips
  int left = 0;
  std::string file;
  bool operator==(const LayoutChild&) const = default;
};

// A pattern as read back: only windows the program knows, in their recorded order.
struct LayoutPattern {
  std::string name;
  // Nothing when the pattern is empty (no "True" or "False" stored): such a pattern changes nothing.
  std::optional<bool> mainVisible;
  // Nothing when missing or not a number: the main window keeps that coordinate. A hand-edited huge
  // value is held to the range of an int, as the windows' entries are.
  std::optional<double> mainTop;
  std::optional<double> mainLeft;
  std::string file;
  std::vector<LayoutChild> children;
};

// Reads pattern 0..9 out of the settings text. The window count is the number at the start of nForm's
// first ten characters; entries are looked up for the numbers 1 .. count that are actually present, so a
// huge count costs nothing.
LayoutPattern ReadLayoutPattern(std::string_view text, int pattern);

// A pattern as saved.
struct LayoutRecord {
  std::string name;
  bool mainVisible = true;
  int mainTop = 0;  // twips
  int mainLeft = 0;
  std::string file;
  std::vector<LayoutChild> children;  // file only for windows that record one
};

// The settings text with the pattern's section emptied and the record written into it; every other line
// stays. An entry whose value cannot be stored (a line break in a file name) is left out.
std::string WriteLayoutPattern(std::string_view text, int pattern, const LayoutRecord& record);

// The same on the file. False, with the file untouched, when it exists but is not a readable file or is
// read-only, or cannot be written; a missing file is created.
bool StoreLayoutPattern(const std::string& path, int pattern, const LayoutRecord& record);
// The pattern as stored in the file; an empty pattern when the file cannot be read.
LayoutPattern LoadLayoutPattern(const std::string& path, int pattern);

// The name a saved pattern gets: the name box, else the name it had, else "パターン" and its number
// (pattern + 1).
std::string SavedPatternName(std::string_view boxText, std::string_view storedName, int pattern);

// Where a window of this size goes so that it can still be reached: unchanged when its top edge lies on
// one of the screens with a grip of it showing, otherwise moved onto the nearest screen (inside it when it
// fits, its top-left corner on the screen when it does not). No screens: unchanged.
struct ScreenArea {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};
std::pair<int, int> PlaceOnScreens(int left, int top, int width, int height,
                                   const std::vector<ScreenArea>& screens);

}  // namespace pf
