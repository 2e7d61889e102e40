// Whole-file reads and crash-safe whole-file writes, and the two path helpers every file dialog uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

// No file the program reads is anywhere near this; anything larger is refused rather than loaded.
inline constexpr std::size_t kMaxReadSize = std::size_t{64} * 1024 * 1024;

// The whole content of a regular file, or nothing when it cannot be opened or read, is not a regular
// file, or is larger than kMaxReadSize. `error`, when given, receives the system's description of what
// failed.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string* error = nullptr);

// The first `length` bytes of a regular file (at most kMaxReadSize), or all of a shorter one: for
// formats of a fixed length, whose readers ignore whatever follows. Nothing when the file cannot be
// opened or read or is not a regular file; `error` as above.
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t length,
                                                       std::string* error = nullptr);

// How WriteFileAtomically got the bytes into the file.
enum class WriteMethod {
  Replaced,  // a complete temporary file was renamed over the target: all or nothing
  InPlace,   // the target itself was emptied and written: a crash part-way leaves a partial file
};

// Whether a write makes its rename durable at once by syncing the folder, or leaves that to the caller:
// a batch of many files syncs each folder once at its end (SyncFolderOf) instead of once a file. The
// file's own bytes are flushed before the rename either way, so after a crash the target is the old file
// or the whole new one, never a partial one; only which of the two can change.
enum class FolderSync { Now, Later };

// Writes the bytes to a temporary file in the target's folder, flushes it to disk and renames it over the
// target. On any failure the temporary file is removed and an existing target is left as it was. A
// replaced target keeps its permission bits; a target the user may not write is refused, not replaced.
//
// A symbolic link is followed to the end of its chain (a relative target from the link's own folder), and
// that file is replaced: the link stays a link. When no temporary file can be made beside the target (a
// folder the user may not write) but the target exists and may be written, it is written in place
// instead; `method` says which happened. `error`, when given, receives the system's description of what
// failed.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error = nullptr, WriteMethod* method = nullptr,
                         FolderSync folderSync = FolderSync::Now);

// Flushes the folder that holds `path` (the folder of the file a write to `path` reaches, for a link), so
// the renames made in it last. False when it cannot be opened or synced.
bool SyncFolderOf(const std::string& path);

// The file a write to `path` reaches: `path` itself unless it is a symbolic link, else the end of the
// link's chain, each relative target taken from the folder of the link that names it. The end need not
// exist. Nothing for a chain that loops or cannot be read; `error`, when given, says why.
std::optional<std::string> LinkTarget(const std::string& path, std::string* error = nullptr);

// The path up to, not including, its last '/'; empty when there is none.
std::string FolderOf(const std::string& path);
// What follows the last '/'; the whole path when there is none.
std::string NameAfterLastSeparator(const std::string& path);

// The name a save writes: `path` with `extension` (".ico") appended, unless the file's own name (what
// follows the last '/') already contains it in any letter case; a folder "my.icons" does not count.
std::string WithSaveExtension(const std::string& path, std::string_view extension);

}  // namespace pf
