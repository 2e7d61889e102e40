#include "platform/journal_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/file_io.h"
#include "platform/local_path.h"

namespace pf {

namespace {

const QString kJournalSuffix = QStringLiteral(".pfj");
const QString kLockSuffix = QStringLiteral(".lock");
const QString kBlobSuffix = QStringLiteral(".blobs");

// A process's journal and what it set aside, with their blobs.
QStringList JournalsOf(const QString& folder, const QString& stem) {
  const QString journal = stem + kJournalSuffix;
  const QString asideJournal = stem + QStringLiteral(".*") + kJournalSuffix;
  return QDir(folder).entryList({journal, asideJournal, journal + kBlobSuffix, asideJournal + kBlobSuffix},
                                QDir::Files);
}

// Renames a journal and then its blobs; the new path, or empty when the journal could not be renamed.
QString RenameJournal(const QString& path, const QString& target) {
  if (::rename(LocalPath(path).c_str(), LocalPath(target).c_str()) != 0) return {};
  ::rename(LocalPath(JournalBlobPath(path)).c_str(), LocalPath(JournalBlobPath(target)).c_str());
  return target;
}

// The owner's name: everything before the first dot.
QString StemOf(const QString& fileName) {
  return fileName.left(fileName.indexOf(QLatin1Char('.')));
}

// An open, locked lock file, or -1 when another process holds it or it cannot be opened.
int TakeLock(const QString& path) {
  const int fd = ::open(LocalPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

QString JournalFolder(bool perUser, const QString& programFolder) {
  if (!perUser) return programFolder;
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (state.isEmpty() || !QDir::isAbsolutePath(state))
    state = QDir::home().filePath(QStringLiteral(".local/state"));
  return QDir(state).filePath(QStringLiteral("pictoforge"));
}

QString JournalBlobPath(const QString& journalPath) {
  return journalPath + kBlobSuffix;
}

bool JournalTurnedOff(const ProfileFile& settings) {
  const QByteArray env = qgetenv("PICTOFORGE_NO_JOURNAL");
  if (!env.isEmpty() && env != "0") return true;
  return settings.ReadSetting("Recovery", "Journal") == "0";
}

// ---------------------------------------------------------------------------------------------------
// Who owns which journal

std::unique_ptr<JournalStore> JournalStore::open(const QString& folder, QString* problem) {
  auto fail = [&](const QString& why) {
    if (problem) *problem = QStringLiteral("no recovery journal: %1: %2").arg(folder, why);
    return nullptr;
  };
  if (folder.isEmpty()) return fail(QStringLiteral("no folder"));
  const bool existed = QFileInfo(folder).isDir();
  if (!QDir().mkpath(folder)) return fail(QStringLiteral("cannot create the folder"));
  // A folder made here holds nobody's work but this user's.
  if (!existed) QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  if (!QFileInfo(folder).isWritable()) return fail(QStringLiteral("the folder is not writable"));
  // The start time tells a reused process number apart; the count, sessions of one process (tests).
  static std::atomic<int> sessions{0};
  const QString stem = QStringLiteral("journal-%1-%2-%3")
                           .arg(::getpid())
                           .arg(QDateTime::currentMSecsSinceEpoch())
                           .arg(sessions++);
  const QString lock = QDir(folder).filePath(stem + kLockSuffix);
  const int fd = TakeLock(lock);
  if (fd < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
  return std::unique_ptr<JournalStore>(new JournalStore(folder, stem, fd));
}

JournalStore::JournalStore(QString folder, QString stem, int lockFd)
    : folder_(std::move(folder)), stem_(std::move(stem)), lockFd_(lockFd) {}

JournalStore::~JournalStore() {
  for (const auto& [stem, fd] : orphanLocks_) ::close(fd);
  if (lockFd_ >= 0) ::close(lockFd_);
}

QString JournalStore::pathFor(const QString& stem, const QString& suffix) const {
  return QDir(folder_).filePath(stem + suffix);
}

QString JournalStore::journalPath() const {
  return pathFor(stem_, kJournalSuffix);
}

std::vector<FoundJournal> JournalStore::takeOrphans() {
  std::vector<FoundJournal> found;
  const QDir dir(folder_);
  const QFileInfoList files = dir.entryInfoList({QStringLiteral("journal-*") + kJournalSuffix}, QDir::Files,
                                                QDir::Time);  // newest first
  for (const QFileInfo& file : files) {
    const QString stem = StemOf(file.fileName());
    if (stem == stem_) continue;
    if (!orphanLocks_.contains(stem)) {
      const int fd = TakeLock(pathFor(stem, kLockSuffix));
      if (fd < 0) continue;  // its editor is still running
      orphanLocks_[stem] = fd;
    }
    found.push_back({file.filePath(), file.fileName() != stem + kJournalSuffix});
  }
  // Blobs whose journal was never written (the owner died between the two) or is gone.
  for (const QFileInfo& file :
       dir.entryInfoList({QStringLiteral("journal-*") + kJournalSuffix + kBlobSuffix}, QDir::Files)) {
    const QString stem = StemOf(file.fileName());
    const QString journal = file.filePath().chopped(kBlobSuffix.size());
    if (stem == stem_ || QFileInfo::exists(journal)) continue;
    if (!orphanLocks_.contains(stem)) {
      const int fd = TakeLock(pathFor(stem, kLockSuffix));
      if (fd < 0) continue;
      orphanLocks_[stem] = fd;
    }
    ::unlink(LocalPath(file.filePath()).c_str());
  }
  std::stable_partition(found.begin(), found.end(), [](const FoundJournal& j) { return !j.declined; });
  return found;
}

QString JournalStore::setAside(const QString& path) {
  const QString target =
      pathFor(stem_, QStringLiteral(".declined-%1").arg(++declinedCount_) + kJournalSuffix);
  return RenameJournal(path, target);
}

QString JournalStore::moveUnreadable(const QString& path) {
  QString target = path + QStringLiteral(".unreadable");
  for (int n = 2; QFileInfo::exists(target) || QFileInfo::exists(JournalBlobPath(target)); ++n)
    target = path + QStringLiteral(".unreadable-%1").arg(n);
  return RenameJournal(path, target);
}

void JournalStore::discard(const QString& path) {
  ::unlink(LocalPath(path).c_str());
  ::unlink(LocalPath(JournalBlobPath(path)).c_str());
}

void JournalStore::releaseOrphans() {
  for (const auto& [stem, fd] : orphanLocks_) {
    if (JournalsOf(folder_, stem).isEmpty()) ::unlink(LocalPath(pathFor(stem, kLockSuffix)).c_str());
    ::close(fd);
  }
  orphanLocks_.clear();
}

void JournalStore::removeOwnFiles() {
  for (const QString& name : JournalsOf(folder_, stem_)) ::unlink(LocalPath(pathFor(name, {})).c_str());
  ::unlink(LocalPath(pathFor(stem_, kLockSuffix)).c_str());
}

// ---------------------------------------------------------------------------------------------------
// Writing

JournalWriter::JournalWriter(QString path, Capture capture, int delayMs)
    : path_(std::move(path)),
      localPath_(LocalPath(path_)),
      capture_(std::move(capture)),
      localBlobPath_(LocalPath(JournalBlobPath(path_))) {
  timer_.setSingleShot(true);
  timer_.setInterval(delayMs);
  connect(&timer_, &QTimer::timeout, this, &JournalWriter::snapshot);
  worker_ = std::thread([this] { run(); });
}

JournalWriter::~JournalWriter() {
  stop();
}

void JournalWriter::changed() {
  // Typing calls this for every digit: it must stay a flag test and, at most, a timer start.
  if (!stopped_ && !timer_.isActive()) timer_.start();
}

void JournalWriter::snapshot() {
  if (stopped_) return;
  RecoveryState state = capture_();
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ = std::move(state);
  wake_.notify_one();
}

void JournalWriter::writeNow() {
  if (stopped_) return;
  timer_.stop();
  RecoveryState state = capture_();
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !busy_; });
  pending_.reset();
  write(state);
}

void JournalWriter::stop() {
  if (!worker_.joinable()) return;
  stopped_ = true;
  timer_.stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    wake_.notify_one();
  }
  worker_.join();
}

void JournalWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
    if (quit_) return;
    RecoveryState state = std::move(*pending_);
    pending_.reset();
    busy_ = true;
    lock.unlock();
    write(state);
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
}

void JournalWriter::write(const RecoveryState& state) {
  if (state.empty()) {
    // Nothing left that a crash would lose: no journal to offer.
    if (!lastWritten_.empty()) ::unlink(localPath_.c_str());
    if (blobFileSize_ != 0) ::unlink(localBlobPath_.c_str());
    lastWritten_.clear();
    lastBlobs_.clear();
    blobKeys_.clear();
    blobFileSize_ = 0;
    return;
  }
  EncodedJournal encoded = EncodeJournal(state);
  if (encoded.journal == lastWritten_) return;
  // The journal goes only after every blob it names is on disk, so it never names one that is not.
  std::string error;
  if (!writeBlobs(encoded) || !WriteFileAtomically(localPath_, encoded.journal, &error)) {
    if (!reportedFailure_) {
      std::fprintf(stderr, "pictoforge: cannot write the recovery journal %s: %s\n", localPath_.c_str(),
                   error.empty() ? "the blob file cannot be written" : error.c_str());
    }
    reportedFailure_ = true;
    return;
  }
  bytesWritten_ += static_cast<std::int64_t>(encoded.journal.size());
  ++writes_;
  lastWritten_ = std::move(encoded.journal);
  lastBlobs_ = std::move(encoded.blobs);
}

bool JournalWriter::writeBlobs(const EncodedJournal& encoded) {
  std::vector<std::uint8_t> added;
  std::size_t liveSize = JournalBlobFileHeader().size();
  std::vector<const JournalBlob*> live;
  std::unordered_set<std::uint64_t> liveKeys;
  for (const std::vector<JournalBlob>* blobs :
       std::array<const std::vector<JournalBlob>*, 2>{&encoded.blobs, &lastBlobs_}) {
    for (const JournalBlob& blob : *blobs) {
      if (!liveKeys.insert(blob.key).second) continue;
      live.push_back(&blob);
      liveSize += JournalBlobEntrySize(blob.bytes.size());
      if (blobs == &encoded.blobs && !blobKeys_.contains(blob.key)) AppendJournalBlobEntry(added, blob);
    }
  }
  if (added.empty() && blobFileSize_ != 0) return true;

  // A new file, or one more than twice what the journals on disk and about to be written need (and a
  // quarter megabyte more, so that a small one is not rewritten every few changes): written anew whole,
  // holding both, so that a kill before the journal is replaced leaves the old one whole.
  if (blobFileSize_ == 0 || blobFileSize_ + added.size() > 2 * liveSize + kBlobFileSlack) {
    std::vector<std::uint8_t> file = JournalBlobFileHeader();
    for (const JournalBlob* blob : live) AppendJournalBlobEntry(file, *blob);
    if (!WriteFileAtomically(localBlobPath_, file)) {
      blobFileSize_ = 0;  // rewritten whole next time
      return false;
    }
    blobKeys_ = std::move(liveKeys);
    blobFileSize_ = file.size();
    bytesWritten_ += static_cast<std::int64_t>(file.size());
    return true;
  }

  // Appended after what was last written whole, so a torn earlier attempt is written over.
  const int fd = ::open(localBlobPath_.c_str(), O_WRONLY | O_CLOEXEC);
  bool ok = fd >= 0;
  std::size_t done = 0;
  while (ok && done < added.size()) {
    const ssize_t n =
        ::pwrite(fd, added.data() + done, added.size() - done, static_cast<off_t>(blobFileSize_ + done));
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fdatasync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!ok) {
    blobFileSize_ = 0;  // rewritten whole next time
    return false;
  }
  for (const JournalBlob& blob : encoded.blobs) blobKeys_.insert(blob.key);
  blobFileSize_ += added.size();
  bytesWritten_ += static_cast<std::int64_t>(added.size());
  return true;
}

}  // namespace pf
