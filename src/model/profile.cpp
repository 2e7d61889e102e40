#include "model/profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "model/file_io.h"

namespace pf {

namespace {

constexpr std::string_view kBlanks = " \t\v\f\r";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

bool isQuote(char c) {
  return c == '"' || c == '\'';
}

// A value enclosed in a matching pair of quotes reads without them.
std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view withoutByteOrderMark(std::string_view text) {
  return text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text;
}

// Lines without their LF or CR LF end. A final line end does not start another line.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

struct ParsedLine {
  enum class Kind { Blank, Comment, Section, Entry } kind = Kind::Blank;
  std::string_view name;  // the section name or the key
  bool hasValue = false;
  std::string_view value;  // trimmed, quotes still on
};

ParsedLine parseLine(std::string_view line) {
  ParsedLine parsed;
  const std::string_view t = trim(line);
  if (t.empty()) return parsed;
  if (t.front() == ';') {
    parsed.kind = ParsedLine::Kind::Comment;
    return parsed;
  }
  if (t.front() == '[') {
    const auto close = t.find(']');
    if (close != std::string_view::npos) {
      parsed.kind = ParsedLine::Kind::Section;
      parsed.name = trim(t.substr(1, close - 1));
      return parsed;
    }
  }
  parsed.kind = ParsedLine::Kind::Entry;
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) {
    parsed.name = t;
    return parsed;
  }
  parsed.name = trim(t.substr(0, eq));
  parsed.hasValue = true;
  parsed.value = trim(t.substr(eq + 1));
  return parsed;
}

bool hasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

bool storable(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty()) return false;
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
  if (section.find(']') != std::string_view::npos) return false;
  if (key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[') return false;
  return true;
}

// The value as it goes into the file: quoted when reading it back would otherwise trim or unquote it.
std::string encodeValue(std::string_view value) {
  if (trim(value).size() != value.size() || unquote(value).size() != value.size()) {
    return "\"" + std::string(value) + "\"";
  }
  return std::string(value);
}

// A file that exists without any write permission is kept as it is, even by the owner: replacing it
// through a rename would otherwise succeed.
bool isReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool isHeaderLine(std::string_view line) {
  return trim(line).starts_with('[');
}

}  // namespace

std::string SettingValue(std::string_view stored) {
  if (stored.size() <= kMaxSettingBytes) return std::string(stored);
  std::size_t end = kMaxSettingBytes;
  // Back off the continuation bytes of a character the cut would split.
  while (end > 0 && (static_cast<unsigned char>(stored[end]) & 0xC0) == 0x80) --end;
  return std::string(stored.substr(0, end));
}

std::optional<std::string> ProfileRead(std::string_view text, std::string_view section,
                                       std::string_view key) {
  section = trim(section);
  key = trim(key);
  bool inSection = false;
  for (const std::string_view line : splitLines(withoutByteOrderMark(text))) {
    const ParsedLine parsed = parseLine(line);
    if (parsed.kind == ParsedLine::Kind::Section) {
      inSection = sameName(parsed.name, section);
    } else if (inSection && parsed.kind == ParsedLine::Kind::Entry && sameName(parsed.name, key)) {
      if (!parsed.hasValue) return std::nullopt;
      return std::string(unquote(parsed.value));
    }
  }
  return std::nullopt;
}

std::optional<std::string> ProfileWrite(std::string_view text, std::string_view section, std::string_view key,
                                        std::string_view value) {
  section = trim(section);
  key = trim(key);
  if (!storable(section, key, value)) return std::nullopt;

  const bool hadByteOrderMark = text.starts_with(kByteOrderMark);
  const std::vector<std::string_view> lines = splitLines(withoutByteOrderMark(text));

  // The key's first line in any section of that name is replaced; a new key goes behind the last entry
  // of the first such section, before any blank lines and comments that lead into the next one.
  std::string replacement;
  std::size_t replaceAt = lines.size();
  std::size_t insertAfter = lines.size();
  bool inSection = false;
  bool inFirstSection = false;
  for (std::size_t i = 0; i < lines.size() && replaceAt == lines.size(); ++i) {
    const ParsedLine parsed = parseLine(lines[i]);
    if (parsed.kind == ParsedLine::Kind::Section) {
      inSection = sameName(parsed.name, section);
      inFirstSection = inSection && insertAfter == lines.size();
      if (inFirstSection) insertAfter = i;
    } else if (inSection && parsed.kind == ParsedLine::Kind::Entry) {
      if (sameName(parsed.name, key)) {
        // The stored spelling of the key stays.
        replacement = std::string(parsed.name) + "=" + encodeValue(value);
        replaceAt = i;
      } else if (inFirstSection) {
        insertAfter = i;
      }
    }
  }

  std::string out;
  if (hadByteOrderMark) out += kByteOrderMark;
  const std::string newLine = std::string(key) + "=" + encodeValue(value);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += (i == replaceAt) ? std::string_view(replacement) : lines[i];
    out += "\r\n";
    if (replaceAt == lines.size() && i == insertAfter) out += newLine + "\r\n";
  }
  if (replaceAt == lines.size() && insertAfter == lines.size()) {
    out += "[" + std::string(section) + "]\r\n" + newLine + "\r\n";
  }
  return out;
}

std::optional<std::string> ProfileClearSection(std::string_view text, std::string_view section) {
  if (text.empty()) return std::nullopt;
  section = trim(section);
  if (section.empty()) return std::string(text);
  const bool hadByteOrderMark = text.starts_with(kByteOrderMark);
  const std::vector<std::string_view> lines = splitLines(withoutByteOrderMark(text));

  // Sections are found as the reader finds them, by the whole name in any letter case: "[old FORM3
  // copy]" is not FORM3. Every section of the name loses its body, since the reader would still find
  // the keys of a second one.
  std::vector<bool> dropped(lines.size(), false);
  bool removesAny = false;
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (isHeaderLine(lines[i])) {
      const ParsedLine parsed = parseLine(lines[i]);
      inSection = parsed.kind == ParsedLine::Kind::Section && sameName(parsed.name, section);
    } else if (inSection) {
      dropped[i] = true;
      removesAny = true;
    }
  }
  if (!removesAny) return std::string(text);

  std::string out;
  if (hadByteOrderMark) out += kByteOrderMark;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (dropped[i]) continue;
    out += lines[i];
    out += "\r\n";
  }
  return out;
}

std::string ProfileFile::ReadSetting(std::string_view section, std::string_view key) const {
  const auto bytes = ReadWholeFile(path_);
  if (!bytes) return {};
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  // A missing key reads as "ERROR", which the program takes as "nothing stored".
  const std::string value = ProfileRead(text, section, key).value_or("ERROR");
  if (value == "ERROR") return {};
  return SettingValue(value);
}

bool ProfileFile::WriteSetting(std::string_view section, std::string_view key, std::string_view text) {
  std::string current;
  if (const auto bytes = ReadWholeFile(path_)) {
    current.assign(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  } else {
    // Only a file that is not there yet may be started afresh; one that exists but cannot be read
    // (a folder in the way, no permission, far too large) must not be overwritten.
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 || errno != ENOENT) return false;
  }
  const auto updated = ProfileWrite(current, section, key, text);
  if (!updated) return false;
  return WriteFileAtomically(
      path_, std::span(reinterpret_cast<const std::uint8_t*>(updated->data()), updated->size()));
}

bool ProfileFile::ClearIniSection(std::string_view section) {
  const auto bytes = ReadWholeFile(path_);
  if (!bytes || isReadOnly(path_)) return true;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  const auto cleared = ProfileClearSection(text, section);
  if (!cleared) return true;
  if (*cleared == text) return false;
  return !WriteFileAtomically(
      path_, std::span(reinterpret_cast<const std::uint8_t*>(cleared->data()), cleared->size()));
}

std::string lastFolder(const ProfileFile& profile, std::string_view key) {
  return profile.ReadSetting("DIR", key);
}

bool storeLastFolder(ProfileFile& profile, std::string_view key, const std::string& chosenPath) {
  return profile.WriteSetting("DIR", key, FolderOf(chosenPath));
}

}  // namespace pf
