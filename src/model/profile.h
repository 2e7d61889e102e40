// The settings file PF.ini: sections of key=value lines, read and written the way Windows profile files
// are.
//
// Sections and keys match without regard to ASCII case. Spaces and tabs around section names, keys and
// values are not part of them; a value enclosed in a pair of single or double quotes reads without them.
// Lines starting with ';' are comments. A write replaces or adds one line and keeps every other line, in
// order; the file is written with CR LF line ends, in UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace pf {

// A path here runs to 4,096 bytes, and a remembered folder or file must come back whole; a longer
// value is cut to this many bytes, never inside a UTF-8 character.
inline constexpr std::size_t kMaxSettingBytes = 4096;
std::string SettingValue(std::string_view stored);

// The value stored under the key, or nothing when the section, the key or its '=' is missing.
std::optional<std::string> ProfileRead(std::string_view text, std::string_view section, std::string_view key);

// The text with the key set to the value: the key's line is replaced, or added at the end of its
// section, or a new section is appended. A value with leading or trailing spaces, or one that would lose
// its quotes on reading, is written in double quotes so it reads back exactly. Nothing when the entry
// cannot be stored: an empty section or key, a section name holding ']', a key holding '=' or starting
// with ';' or '[', or a line break anywhere.
std::optional<std::string> ProfileWrite(std::string_view text, std::string_view section, std::string_view key,
                                        std::string_view value);

// The text with the body of a section removed: every header line (a line starting with '[') that names
// the section as the reader does (the whole name, any letter case) keeps its place; the lines after it
// up to the next header go. The text comes back unchanged when no section of the name has a body;
// otherwise every line ends in CR LF. Nothing for an empty text, which has no lines to keep.
std::optional<std::string> ProfileClearSection(std::string_view text, std::string_view section);

class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The stored text, whole up to kMaxSettingBytes (SettingValue), or "" for a missing file, section or
  // key. A stored value of exactly "ERROR" also reads as "", since that is what a missing key reads as.
  std::string ReadSetting(std::string_view section, std::string_view key) const;

  // Stores the text, creating the file, the section or the key as needed. False when the entry cannot
  // be stored or the file cannot be written; an existing file that cannot be read is left alone.
  bool WriteSetting(std::string_view section, std::string_view key, std::string_view text);

  // Removes the body of a section as ProfileClearSection does. True when it failed: the file is missing,
  // empty, not readable, read-only or cannot be written. A file with nothing to remove is left untouched.
  bool ClearIniSection(std::string_view section);

 private:
  std::string path_;
};

// The last-folder rule of the file dialogs, under section "DIR": the remembered folder for a dialog (""
// when there is none), and storing the folder of a chosen path.
std::string lastFolder(const ProfileFile& profile, std::string_view key);
bool storeLastFolder(ProfileFile& profile, std::string_view key, const std::string& chosenPath);

}  // namespace pf
