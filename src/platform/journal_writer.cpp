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

// A process's journal and what it set aside.
QStringList JournalsOf(const QString& folder, const QString& stem) {
  return QDir(folder).entryList({stem + kJournalSuffix, stem + QStringLiteral(".*") + kJournalSuffix},
                                QDir::Files);
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
  std::stable_partition(found.begin(), found.end(), [](const FoundJournal& j) { return !j.declined; });
  return found;
}

QString JournalStore::setAside(const QString& path) {
  const QString target =
      pathFor(stem_, QStringLiteral(".declined-%1").arg(++declinedCount_) + kJournalSuffix);
  return ::rename(LocalPath(path).c_str(), LocalPath(target).c_str()) == 0 ? target : QString();
}

QString JournalStore::moveUnreadable(const QString& path) {
  QString target = path + QStringLiteral(".unreadable");
  for (int n = 2; QFileInfo::exists(target); ++n) target = path + QStringLiteral(".unreadable-%1").arg(n);
  return ::rename(LocalPath(path).c_str(), LocalPath(target).c_str()) == 0 ? target : QString();
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
    : path_(std::move(path)), localPath_(LocalPath(path_)), capture_(std::move(capture)) {
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
    lastWritten_.clear();
    return;
  }
  std::vector<std::uint8_t> bytes = EncodeJournal(state);
  if (bytes == lastWritten_) return;
  std::string error;
  if (!WriteFileAtomically(localPath_, bytes, &error)) {
    if (!reportedFailure_) {
      std::fprintf(stderr, "pictoforge: cannot write the recovery journal %s: %s\n", localPath_.c_str(),
                   error.c_str());
    }
    reportedFailure_ = true;
    return;
  }
  bytesWritten_ += static_cast<std::int64_t>(bytes.size());
  ++writes_;
  lastWritten_ = std::move(bytes);
}

}  // namespace pf
