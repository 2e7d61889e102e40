#include "model/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

namespace pf {

namespace {

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a delayed write error can surface here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A name for the temporary file that no other writer of this process or another one picks at the same
// moment; O_EXCL catches the rest. `prefix` is the target's folder with its trailing '/', or empty.
std::string temporaryPath(const std::string& prefix, const std::string& name, int attempt) {
  static std::atomic<unsigned> counter{0};
  const auto ticks =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[80];
  std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u-%llx-%d", static_cast<long>(::getpid()),
                counter.fetch_add(1), ticks, attempt);
  // Keep the temporary name within the file system's name length even for a long target name.
  return prefix + "." + name.substr(0, 120) + suffix;
}

bool syncFolder(const std::string& prefix) {
  // Makes the rename itself durable; a failure here leaves a complete file either way.
  const int fd = ::open(prefix.empty() ? "." : prefix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

namespace {

// Reads a regular file up to `limit` bytes; beyond that it is refused when `refuseLonger`, else the rest
// is left unread.
std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path, std::size_t limit,
                                                         bool refuseLonger, std::string* error) {
  auto fail = [error](int code) -> std::optional<std::vector<std::uint8_t>> {
    if (error) *error = std::strerror(code);
    return std::nullopt;
  };
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) return fail(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fail(errno);
  if (!S_ISREG(st.st_mode)) return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  if (st.st_size < 0) return fail(EINVAL);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (refuseLonger && size > limit) return fail(EFBIG);

  // The size is only a hint: the file may grow or shrink while it is read.
  try {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, limit)));
    std::uint8_t chunk[65536];
    while (bytes.size() < limit || refuseLonger) {
      const std::size_t want = refuseLonger ? sizeof chunk : std::min(sizeof chunk, limit - bytes.size());
      const ssize_t n = ::read(fd.get(), chunk, want);
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(errno);
      }
      if (n == 0) break;
      if (bytes.size() + static_cast<std::size_t>(n) > limit) return fail(EFBIG);
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
  } catch (const std::bad_alloc&) {
    return fail(ENOMEM);  // a file the program cannot hold is a file it cannot read
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string* error) {
  return readRegularFile(path, kMaxReadSize, true, error);
}

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t length,
                                                       std::string* error) {
  return readRegularFile(path, std::min(length, kMaxReadSize), false, error);
}

std::optional<std::string> LinkTarget(const std::string& path, std::string* error) {
  // The kernel gives up after 40 links in a chain; so does this.
  constexpr int kMaxLinks = 40;
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256), '\0');
    for (;;) {
      const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
      if (n < 0) {
        if (error) *error = std::strerror(errno);
        return std::nullopt;
      }
      // A link retargeted while it is read may have grown; read it again with room to spare.
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(2 * target.size());
    }
    if (target.empty()) {
      if (error) *error = std::strerror(ENOENT);
      return std::nullopt;
    }
    if (target.front() != '/')
      target = current.substr(0, current.size() - NameAfterLastSeparator(current).size()) + target;
    current = std::move(target);
  }
  if (error) *error = std::strerror(ELOOP);
  return std::nullopt;
}

namespace {

// Empties the target and writes the bytes into it. Only for a file whose folder cannot take a temporary
// file: there is no other way to save it, but a crash or a full disk part-way leaves it partial.
bool writeInPlace(const std::string& target, std::span<const std::uint8_t> bytes, int& code) {
  Fd fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
  bool ok = fd.get() >= 0;
  ok = ok && writeAll(fd.get(), bytes.data(), bytes.size());
  ok = ok && ::fsync(fd.get()) == 0;
  if (!ok) code = errno != 0 ? errno : EIO;
  if (!fd.close() && ok) {
    code = errno;
    ok = false;
  }
  return ok;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error,
                         WriteMethod* method, FolderSync folderSync) {
  auto fail = [error](int code) {
    if (error) *error = std::strerror(code);
    return false;
  };
  if (NameAfterLastSeparator(path).empty()) return fail(EISDIR);  // "folder/" names no file
  // Renaming over a link would replace the link by a plain file and leave its target as it was.
  const std::optional<std::string> resolved = LinkTarget(path, error);
  if (!resolved) return false;
  const std::string& target = *resolved;
  const std::string name = NameAfterLastSeparator(target);
  if (name.empty()) return fail(EISDIR);
  const std::string prefix = target.substr(0, target.size() - name.size());
  // A rename would replace a file its owner made read-only; writing it in place would fail, so this does.
  const bool targetExists = ::access(target.c_str(), F_OK) == 0;
  if (targetExists && ::access(target.c_str(), W_OK) != 0) return fail(errno);

  std::string tempPath;
  int rawFd = -1;
  for (int attempt = 0; attempt < 16 && rawFd < 0; ++attempt) {
    tempPath = temporaryPath(prefix, name, attempt);
    rawFd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (rawFd >= 0 || errno == EEXIST) continue;
    const int openError = errno;
    // A writable file in a folder that is not: it can still be saved, only not all or nothing.
    struct stat st {};
    const bool writableFile = targetExists && ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if ((openError == EACCES || openError == EPERM) && writableFile) {
      int code = 0;
      if (!writeInPlace(target, bytes, code)) return fail(code);
      if (method) *method = WriteMethod::InPlace;
      return true;
    }
    return fail(openError);
  }
  if (rawFd < 0) return fail(EEXIST);
  Fd fd(rawFd);

  bool ok = true;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ok = ::fchmod(fd.get(), existing.st_mode & 07777) == 0;
  }
  ok = ok && writeAll(fd.get(), bytes.data(), bytes.size());
  ok = ok && ::fsync(fd.get()) == 0;
  ok = fd.close() && ok;
  ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    const int code = errno != 0 ? errno : EIO;
    ::unlink(tempPath.c_str());
    return fail(code);
  }
  if (folderSync == FolderSync::Now) syncFolder(prefix);
  if (method) *method = WriteMethod::Replaced;
  return true;
}

bool SyncFolderOf(const std::string& path) {
  const std::string target = LinkTarget(path).value_or(path);
  return syncFolder(target.substr(0, target.size() - NameAfterLastSeparator(target).size()));
}

std::string FolderOf(const std::string& path) {
  const auto pos = path.rfind('/');
  return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

std::string NameAfterLastSeparator(const std::string& path) {
  const auto pos = path.rfind('/');
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string WithSaveExtension(const std::string& path, std::string_view extension) {
  const std::string name = NameAfterLastSeparator(path);
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  const auto found = std::search(name.begin(), name.end(), extension.begin(), extension.end(),
                                 [&](char a, char b) { return lower(a) == lower(b); });
  if (!extension.empty() && found != name.end()) return path;
  return path + std::string(extension);
}

}  // namespace pf
