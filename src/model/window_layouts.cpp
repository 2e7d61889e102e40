#include "model/window_layouts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <map>
#include <span>

#include "model/file_io.h"
#include "model/numeric_text.h"
#include "model/profile.h"

namespace pf {

namespace {

constexpr std::string_view kBlanks = " \t\v\f\r";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// What the window count is read through.
constexpr std::size_t kCountCharacters = 10;
constexpr std::string_view kChildKey = "chld";

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string firstCharacters(std::string_view text, std::size_t limit) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && count++ == limit) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

// Every entry of the sections of this name, keyed by the lower-case key, each read the way ReadSetting
// reads it (the first line of a key decides; "ERROR" and a line without '=' read as ""). One pass over
// the text, whatever the number of entries.
std::map<std::string, std::string> SectionEntries(std::string_view text, std::string_view section) {
  std::map<std::string, std::string> entries;
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const std::string wanted = lowerAscii(section);
  bool inSection = false;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') continue;
    if (t.front() == '[') {
      const auto close = t.find(']');
      if (close != std::string_view::npos) {
        inSection = lowerAscii(trim(t.substr(1, close - 1))) == wanted;
        continue;
      }
    }
    if (!inSection) continue;
    const auto eq = t.find('=');
    const std::string_view key = trim(eq == std::string_view::npos ? t : t.substr(0, eq));
    if (key.empty()) continue;
    std::string lowered = lowerAscii(key);
    if (entries.contains(lowered)) continue;
    // The value goes through the profile reader itself, so quoting and trimming are the file's rules.
    const std::string one = "[s]\n" + std::string(t);
    std::string value = ProfileRead(one, "s", key).value_or("");
    if (value == "ERROR") value.clear();
    entries.emplace(std::move(lowered), SettingValue(value));
  }
  return entries;
}

std::string valueOf(const std::map<std::string, std::string>& entries, std::string_view key) {
  const auto it = entries.find(lowerAscii(key));
  return it == entries.end() ? std::string() : it->second;
}

// The i of a key "Chld<i>" as the program writes it (decimal, no leading zero), or 0.
std::int64_t childNumber(std::string_view lowerKey) {
  if (!lowerKey.starts_with(kChildKey)) return 0;
  const std::string_view digits = lowerKey.substr(kChildKey.size());
  if (digits.empty() || digits.size() > 10 || digits.front() == '0') return 0;
  std::int64_t n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::optional<bool> booleanText(std::string_view text) {
  const std::string t = lowerAscii(trim(text));
  if (t == "true") return true;
  if (t == "false") return false;
  return std::nullopt;
}

std::optional<double> position(const std::string& text) {
  if (trim(text).empty()) return std::nullopt;
  return RoundToInt(ReadDecimal(text));
}

bool exists(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string LayoutSection(int pattern) {
  return "FORM" + std::to_string(pattern);
}

bool IsRestorableFormName(std::string_view name) {
  if (!name.starts_with("Form")) return false;
  const std::string_view digits = name.substr(4);
  if (digits.empty() || digits.size() > 2 || digits.front() == '0') return false;
  int n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= 26;
}

bool RecordsChildFile(std::string_view name) {
  for (const std::string_view withFile : {"Form18", "Form10", "Form21", "Form23", "Form24"}) {
    if (name.find(withFile) != std::string_view::npos) return true;
  }
  return false;
}

int PixelsToTwips(int pixels) {
  return static_cast<int>(
      std::clamp<std::int64_t>(std::int64_t{pixels} * kTwipsPerPixel, INT32_MIN, INT32_MAX));
}

int TwipsToPixels(double twips) {
  // Held before rounding: a position of 1e30 would otherwise reach the window code as INT_MAX, where
  // adding the window's width overflows.
  const double pixels = twips / kTwipsPerPixel;
  if (std::isnan(pixels)) return 0;
  return RoundToInt(std::clamp<double>(pixels, -kFarthestPixel, kFarthestPixel));
}

std::string InitialSettingsText(bool mainVisible, int mainTopTwips, int mainLeftTwips,
                                std::string_view programFolder) {
  std::string text = "[FORM0]\r\nName = START\r\nnForm = 0\r\n";
  text += "MainVisible = " + std::string(mainVisible ? "True" : "False") + "\r\n";
  text += "MainTop = " + std::to_string(mainTopTwips) + "\r\n";
  text += "MainLeft = " + std::to_string(mainLeftTwips) + "\r\n";
  for (int n = 1; n < kLayoutPatterns; ++n) text += "[" + LayoutSection(n) + "]\r\n";
  text += "[DIR]\r\n";
  for (const char* key : {"Input", "Output"}) {
    // A folder that would not read back as written (spaces at its ends, quotes) is stored the way the
    // profile writer stores it; one that cannot be stored at all (a line break) is left out.
    const bool plain = programFolder.find_first_of("\r\n") == std::string_view::npos;
    std::string line = std::string(key) + " = " + std::string(programFolder) + "\r\n";
    if (plain && ProfileRead(text + line, "DIR", key) == programFolder) {
      text += line;
    } else if (auto written = ProfileWrite(text, "DIR", key, programFolder)) {
      text = std::move(*written);
    }
  }
  return text;
}

LayoutPattern ReadLayoutPattern(std::string_view text, int pattern) {
  const auto entries = SectionEntries(text, LayoutSection(pattern));
  LayoutPattern p;
  p.name = valueOf(entries, "Name");
  p.mainVisible = booleanText(valueOf(entries, "MainVisible"));
  p.mainTop = position(valueOf(entries, "MainTop"));
  p.mainLeft = position(valueOf(entries, "MainLeft"));
  p.file = valueOf(entries, "File");

  const std::int64_t count =
      RoundToInt(ReadDecimal(firstCharacters(valueOf(entries, "nForm"), kCountCharacters)));
  std::vector<std::int64_t> present;
  for (const auto& [key, value] : entries) {
    const std::int64_t i = childNumber(key);
    if (i >= 1 && i <= count) present.push_back(i);
  }
  std::sort(present.begin(), present.end());
  for (const std::int64_t i : present) {
    const std::string n = std::to_string(i);
    LayoutChild child;
    child.name = valueOf(entries, "Chld" + n);
    if (!IsRestorableFormName(child.name)) continue;
    child.top = RoundToInt(ReadDecimal(valueOf(entries, "ChldTop" + n)));
    child.left = RoundToInt(ReadDecimal(valueOf(entries, "ChldLeft" + n)));
    if (RecordsChildFile(child.name)) child.file = valueOf(entries, "ChldFile" + n);
    p.children.push_back(std::move(child));
  }
  return p;
}

std::string WriteLayoutPattern(std::string_view text, int pattern, const LayoutRecord& record) {
  const std::string section = LayoutSection(pattern);
  std::string out = ProfileClearSection(text, section).value_or(std::string(text));
  auto put = [&](const std::string& key, std::string_view value) {
    if (auto updated = ProfileWrite(out, section, key, value)) out = std::move(*updated);
  };
  put("Name", record.name);
  put("nForm", std::to_string(record.children.size()));
  put("MainVisible", record.mainVisible ? "True" : "False");
  put("MainTop", std::to_string(record.mainTop));
  put("MainLeft", std::to_string(record.mainLeft));
  put("File", record.file);
  for (std::size_t k = 0; k < record.children.size(); ++k) {
    const LayoutChild& child = record.children[k];
    const std::string i = std::to_string(k + 1);
    put("Chld" + i, child.name);
    put("ChldTop" + i, std::to_string(child.top));
    put("ChldLeft" + i, std::to_string(child.left));
    if (RecordsChildFile(child.name)) put("ChldFile" + i, child.file);
  }
  return out;
}

bool StoreLayoutPattern(const std::string& path, int pattern, const LayoutRecord& record) {
  std::string text;
  struct stat st {};
  if (exists(path, st)) {
    if (!S_ISREG(st.st_mode)) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0) return false;
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return false;
    text.assign(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  } else if (errno != ENOENT) {
    return false;
  }
  const std::string updated = WriteLayoutPattern(text, pattern, record);
  return WriteFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(updated.data()), updated.size()));
}

LayoutPattern LoadLayoutPattern(const std::string& path, int pattern) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return {};
  return ReadLayoutPattern(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                           pattern);
}

std::string SavedPatternName(std::string_view boxText, std::string_view storedName, int pattern) {
  if (!boxText.empty()) return std::string(boxText);
  if (!storedName.empty()) return std::string(storedName);
  return "パターン" + std::to_string(pattern + 1);
}

std::pair<int, int> PlaceOnScreens(int left, int top, int width, int height,
                                   const std::vector<ScreenArea>& screens) {
  // The part of a window's top edge that must show for it to be taken with the mouse.
  constexpr std::int64_t kGrip = 32;
  const std::int64_t l = left, t = top, w = std::max(width, 1), h = std::max(height, 1);
  const std::int64_t grip = std::min(kGrip, w);
  const ScreenArea* nearest = nullptr;
  std::int64_t nearestDistance = 0;
  for (const ScreenArea& s : screens) {
    if (s.width <= 0 || s.height <= 0) continue;
    const std::int64_t sl = s.left, st = s.top, sr = sl + s.width, sb = st + s.height;
    const bool reachable =
        t >= st && t <= sb - std::min(kGrip, sb - st) && l + w >= sl + grip && l <= sr - grip;
    if (reachable) return {left, top};
    const std::int64_t dx = l < sl ? sl - l : (l > sr ? l - sr : 0);
    const std::int64_t dy = t < st ? st - t : (t > sb ? t - sb : 0);
    // Capped so the square cannot overflow; beyond that every screen is equally far.
    const std::int64_t cx = std::min<std::int64_t>(dx, 1 << 30), cy = std::min<std::int64_t>(dy, 1 << 30);
    const std::int64_t distance = cx * cx + cy * cy;
    if (!nearest || distance < nearestDistance) {
      nearest = &s;
      nearestDistance = distance;
    }
  }
  if (!nearest) return {left, top};
  const std::int64_t sl = nearest->left, st = nearest->top;
  const std::int64_t newLeft = std::clamp(l, sl, std::max(sl, sl + nearest->width - w));
  const std::int64_t newTop = std::clamp(t, st, std::max(st, st + nearest->height - h));
  return {static_cast<int>(newLeft), static_cast<int>(newTop)};
}

}  // namespace pf
