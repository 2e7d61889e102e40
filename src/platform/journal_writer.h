// Where the recovery journal lives, who owns which journal, and the writer that keeps it up to date.
//
// Every running editor has a name of its own, journal-<pid>-<start time>-<n>, and holds an flock on
// <name>.lock for as long as it runs; its journal is <name>.pfj, journals it was offered and set aside are
// <name>.declined-<n>.pfj. Each journal's blobs are in the file of its name with ".blobs" added, which
// goes wherever the journal goes. A journal whose owner's lock can be taken belongs to a process that is no
// longer running: that is the one test, so two editors never take each other's journals, and a reused
// process number cannot be mistaken for the dead owner.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>
#include <vector>

#include "model/profile.h"
#include "model/recovery_journal.h"

namespace pf {

// The folder journals are kept in: the program folder for a portable copy, else
// $XDG_STATE_HOME/pictoforge (~/.local/state/pictoforge when the variable is unset or not absolute).
QString JournalFolder(bool perUser, const QString& programFolder);

// PICTOFORGE_NO_JOURNAL set to anything but "" or "0", or Journal=0 under [Recovery] in PF.ini.
bool JournalTurnedOff(const ProfileFile& settings);

// The blob file that belongs to a journal.
QString JournalBlobPath(const QString& journalPath);

// What the blob file may hold beyond twice what is still named before it is rewritten.
inline constexpr std::size_t kBlobFileSlack = 256 * 1024;

// A journal left by a process that has ended.
struct FoundJournal {
  QString path;
  // Offered once already and set aside: this time いいえ discards it.
  bool declined = false;
};

class JournalStore {
 public:
  // Creates the folder (private to the user) and takes this process's lock; nothing and a one-line
  // reason when the folder cannot be written.
  static std::unique_ptr<JournalStore> open(const QString& folder, QString* problem);
  // Lets go of every lock, leaving the files: a store that simply ends is what a crash looks like.
  ~JournalStore();
  JournalStore(const JournalStore&) = delete;
  JournalStore& operator=(const JournalStore&) = delete;

  const QString& folder() const { return folder_; }
  QString journalPath() const;

  // The journals of processes no longer running, their newest work first and set-aside ones last. Their
  // owners' locks are held from now on, so no other editor starting meanwhile offers them too.
  std::vector<FoundJournal> takeOrphans();
  // Set aside under this process's name, to be offered once more after it ends (or removed by its clean
  // end). The new path, or empty when it could not be renamed.
  QString setAside(const QString& path);
  // Renamed so that it is never offered again but stays for a person to look at.
  QString moveUnreadable(const QString& path);
  // Removes a journal that has been restored or declined twice, with its blobs.
  static void discard(const QString& path);
  // Gives up the locks takeOrphans took, removing the lock files of owners that left nothing else.
  void releaseOrphans();
  // The clean end: this process's journal, what it set aside and its lock file go.
  void removeOwnFiles();

 private:
  JournalStore(QString folder, QString stem, int lockFd);
  QString pathFor(const QString& stem, const QString& suffix) const;

  QString folder_;
  QString stem_;
  int lockFd_ = -1;
  int declinedCount_ = 0;
  // Owners of orphans: stem -> the lock held for them.
  std::map<QString, int> orphanLocks_;
};

// Keeps the journal up to date without getting in the user's way: changed() only notes the change; a
// single-shot timer coalesces a burst into one snapshot a second later, and a worker thread encodes it,
// appends to the blob file the blobs it does not hold yet (flushed to disk), then replaces the journal
// with the atomic writer, skipping a journal identical to the last one written. The blob file is
// rewritten with only what is still needed once it holds about twice that.
class JournalWriter final : public QObject {
  Q_OBJECT
 public:
  using Capture = std::function<RecoveryState()>;
  JournalWriter(QString path, Capture capture, int delayMs = 1000);
  // Waits for a write under way; the journal stays.
  ~JournalWriter() override;

  // Something the journal keeps may have changed.
  void changed();
  // Snapshots and writes at once, returning when the file is written.
  void writeNow();
  // Stops writing, waiting for a write under way.
  void stop();

  // What the worker has done so far (for benchmarks and tests).
  std::int64_t bytesWritten() const { return bytesWritten_.load(); }
  int writes() const { return writes_.load(); }

 private:
  void snapshot();
  void run();
  // Encodes and writes one state; on the worker thread or, from writeNow, with the worker idle.
  void write(const RecoveryState& state);

  QString path_;
  std::string localPath_;
  Capture capture_;
  QTimer timer_;
  bool stopped_ = false;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::optional<RecoveryState> pending_;
  bool busy_ = false;
  bool quit_ = false;
  // Appends the blobs not written yet, or rewrites the file when it is mostly dead weight; false when
  // the journal must not be replaced.
  bool writeBlobs(const EncodedJournal& encoded);

  std::string localBlobPath_;
  std::vector<std::uint8_t> lastWritten_;
  // The blobs of the journal on disk: a rewrite keeps them until the new journal has replaced it.
  std::vector<JournalBlob> lastBlobs_;
  // What the blob file holds, up to where it was last written whole; 0 for no file.
  std::unordered_set<std::uint64_t> blobKeys_;
  std::size_t blobFileSize_ = 0;
  bool reportedFailure_ = false;
  std::atomic<std::int64_t> bytesWritten_{0};
  std::atomic<int> writes_{0};
  std::thread worker_;
};

}  // namespace pf
