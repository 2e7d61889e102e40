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
#include "platform/private_folder.h"

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

// An owner's lock, taken: an open descriptor. -1 while its owner runs, or when it is not a plain file;
// kNoLockFile when there is none and `create` is false.
constexpr int kNoLockFile = -2;
int TakeLock(const QString& path, bool create) {
  const std::string native = LocalPath(path);
  constexpr int kFlags = O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
  int fd = ::open(native.c_str(), O_RDWR | kFlags | (create ? O_CREAT : 0), 0600);
  // A folder that cannot be written, or a lock file left by another user: flock needs no write access.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
    fd = ::open(native.c_str(), O_RDONLY | kFlags);
  if (fd < 0) return !create && errno == ENOENT ? kNoLockFile : -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// This process's own lock, made new: an open, locked descriptor, or -1 with errno set. Another editor
// clearing stale locks may take a lock file between its making and its locking and remove it; the lock
// is then on a file nobody else can see, so it is made again.
int TakeOwnLock(const QString& path) {
  const std::string native = LocalPath(path);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    struct stat held {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
        ::stat(native.c_str(), &named) == 0 && held.st_ino == named.st_ino && held.st_dev == named.st_dev)
      return fd;
    ::close(fd);
  }
  errno = EAGAIN;
  return -1;
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

std::unique_ptr<JournalStore> JournalStore::open(const QString& folder, QString* problem,
                                                 bool privateFolder) {
  auto fail = [&](const QString& why) {
    if (problem) *problem = QStringLiteral("no recovery journal: %1: %2").arg(folder, why);
    return nullptr;
  };
  if (folder.isEmpty()) return fail(QStringLiteral("no folder"));
  if (privateFolder) {
    // Whoever else may write in it could swap a journal for a link to one of the user's files.
    MakePrivateFolder(folder);
    const QString wrong = PrivateFolderProblem(folder, kStateFolderForbiddenBits);
    if (!wrong.isEmpty()) {
      if (problem) *problem = QStringLiteral("no recovery journal: %1 is %2").arg(folder, wrong);
      return nullptr;
    }
  } else if (!QDir().mkpath(folder)) {
    return fail(QStringLiteral("cannot create the folder"));
  }
  // The start time tells a reused process number apart; the count, sessions of one process (tests).
  static std::atomic<int> sessions{0};
  const QString stem = QStringLiteral("journal-%1-%2-%3")
                           .arg(::getpid())
                           .arg(QDateTime::currentMSecsSinceEpoch())
                           .arg(sessions++);
  const int fd = TakeOwnLock(QDir(folder).filePath(stem + kLockSuffix));
  if (fd < 0) {
    const int code = errno;
    if (code != EACCES && code != EROFS && code != EPERM)
      return fail(QString::fromLocal8Bit(std::strerror(code)));
    if (problem) {
      *problem = QStringLiteral(
                     "no new recovery journal: %1 cannot be written (%2); the work kept there can "
                     "still be restored")
                     .arg(folder, QString::fromLocal8Bit(std::strerror(code)));
    }
  }
  return std::unique_ptr<JournalStore>(new JournalStore(folder, stem, fd));
}

JournalStore::JournalStore(QString folder, QString stem, int lockFd)
    : folder_(std::move(folder)), stem_(std::move(stem)), lockFd_(lockFd) {}

JournalStore::~JournalStore() {
  for (const auto& [stem, fd] : orphanLocks_) {
    if (fd >= 0) ::close(fd);
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

QString JournalStore::pathFor(const QString& stem, const QString& suffix) const {
  return QDir(folder_).filePath(stem + suffix);
}

QString JournalStore::journalPath() const {
  return pathFor(stem_, kJournalSuffix);
}

bool JournalStore::holdOwnerOf(const QString& stem) {
  if (stem == stem_) return false;
  if (orphanLocks_.contains(stem)) return true;
  // Without a lock file of its own in a folder nobody can write, no editor can be running there.
  const int fd = TakeLock(pathFor(stem, kLockSuffix), writable());
  if (fd == -1) return false;  // its editor is still running
  orphanLocks_[stem] = fd;
  return true;
}

std::vector<FoundJournal> JournalStore::takeOrphans() {
  std::vector<FoundJournal> found;
  const QDir dir(folder_);
  // Locks and half-written temporary files of editors that are gone: nothing will ever read them, and a
  // temporary file may hold a picture. Held locks go in releaseOrphans once nothing else of theirs is left.
  for (const QString& name :
       dir.entryList({QStringLiteral("journal-*") + kLockSuffix, QStringLiteral(".journal-*.tmp-*")},
                     QDir::Files | QDir::Hidden | QDir::System)) {
    const bool temporary = name.startsWith(QLatin1Char('.'));
    if (holdOwnerOf(StemOf(temporary ? name.mid(1) : name)) && temporary)
      ::unlink(LocalPath(pathFor(name, {})).c_str());
  }
  const QFileInfoList files = dir.entryInfoList({QStringLiteral("journal-*") + kJournalSuffix},
                                                QDir::Files | QDir::NoSymLinks, QDir::Time);  // newest first
  for (const QFileInfo& file : files) {
    const QString stem = StemOf(file.fileName());
    if (!holdOwnerOf(stem)) continue;
    found.push_back({file.filePath(), file.fileName().contains(QStringLiteral(".declined-"))});
  }
  // Blobs whose journal was never written (the owner died between the two) or is gone.
  for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("journal-*") + kJournalSuffix + kBlobSuffix},
                                                 QDir::Files | QDir::NoSymLinks)) {
    const QString journal = file.filePath().chopped(kBlobSuffix.size());
    if (QFileInfo::exists(journal) || !holdOwnerOf(StemOf(file.fileName()))) continue;
    ::unlink(LocalPath(file.filePath()).c_str());
  }
  std::stable_partition(found.begin(), found.end(), [](const FoundJournal& j) { return !j.declined; });
  return found;
}

QString JournalStore::adopt(const QString& path) {
  const QString target = pathFor(stem_, QStringLiteral(".restored-%1").arg(++adoptedCount_) + kJournalSuffix);
  const QString renamed = writable() ? RenameJournal(path, target) : QString();
  return renamed.isEmpty() ? path : renamed;
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
    if (fd >= 0) ::close(fd);
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

bool JournalWriter::writeNow() {
  if (stopped_) return false;
  timer_.stop();
  RecoveryState state = capture_();
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !busy_; });
  pending_.reset();
  return write(state);
}

bool JournalWriter::supersede(const QString& olderJournal) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !busy_; });
    superseded_.push_back(LocalPath(olderJournal));
    // Whatever is on disk now is checked afresh before the older one goes.
    lastWritten_.clear();
  }
  writeNow();
  std::lock_guard<std::mutex> lock(mutex_);
  return superseded_.empty();
}

void JournalWriter::setFileOps(JournalFileOps ops) {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !busy_; });
  ops_ = std::move(ops);
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

bool JournalWriter::write(const RecoveryState& state) {
  if (state.empty()) {
    // Nothing left that a crash would lose: no journal to offer. An older one waiting to be superseded
    // stays: nothing newer holds its work.
    if (!lastWritten_.empty()) ::unlink(localPath_.c_str());
    if (blobFileSize_ != 0) ::unlink(localBlobPath_.c_str());
    lastWritten_.clear();
    lastBlobs_.clear();
    blobKeys_.clear();
    blobFileSize_ = 0;
    return true;
  }
  EncodedJournal encoded = EncodeJournal(state);
  if (encoded.journal == lastWritten_) return true;
  // The journal goes only after every blob it names is on disk, so it never names one that is not.
  std::string error;
  if (!writeBlobs(encoded, error) || !ops_.replace(localPath_, encoded.journal, &error)) {
    if (!reportedFailure_) {
      std::fprintf(stderr, "pictoforge: cannot write the recovery journal %s: %s\n", localPath_.c_str(),
                   error.c_str());
    }
    reportedFailure_ = true;
    return false;
  }
  bytesWritten_ += static_cast<std::int64_t>(encoded.journal.size());
  ++writes_;
  lastWritten_ = std::move(encoded.journal);
  lastBlobs_ = std::move(encoded.blobs);
  if (!superseded_.empty()) {
    // Read back from the disk, not trusted from memory: only then may the older journal go.
    if (!readsBackAs(state)) {
      // A journal that does not hold the work must not be offered before the one that does.
      ::unlink(localPath_.c_str());
      lastWritten_.clear();  // written again, and checked again, next time
      return false;
    }
    for (const std::string& older : superseded_) {
      ::unlink(older.c_str());
      ::unlink((older + LocalPath(kBlobSuffix)).c_str());
    }
    superseded_.clear();
  }
  return true;
}

bool JournalWriter::readsBackAs(const RecoveryState& state) const {
  const std::optional<std::vector<std::uint8_t>> journal = ReadWholeFileNoFollow(localPath_);
  const std::optional<std::vector<std::uint8_t>> blobs = ReadWholeFileNoFollow(localBlobPath_);
  if (!journal || !blobs) return false;
  const JournalReadResult read = DecodeJournal(*journal, *blobs);
  return read.recognised && read.droppedSections == 0 && read.state == state;
}

bool JournalWriter::writeBlobs(const EncodedJournal& encoded, std::string& error) {
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
    if (!ops_.replace(localBlobPath_, file, &error)) {
      blobFileSize_ = 0;  // rewritten whole next time
      return false;
    }
    blobKeys_ = std::move(liveKeys);
    blobFileSize_ = file.size();
    bytesWritten_ += static_cast<std::int64_t>(file.size());
    return true;
  }

  // Appended after what was last written whole, so a torn earlier attempt is written over.
  if (!ops_.writeAt(localBlobPath_, blobFileSize_, added, &error)) {
    blobFileSize_ = 0;  // rewritten whole next time
    return false;
  }
  for (const JournalBlob& blob : encoded.blobs) blobKeys_.insert(blob.key);
  blobFileSize_ += added.size();
  bytesWritten_ += static_cast<std::int64_t>(added.size());
  return true;
}

}  // namespace pf
