// Where the recovery journal lives, who owns which journal, and the writer that keeps it up to date.
//
// Every running editor has a name of its own, journal-<pid>-<start time>-<n>, and holds an flock on
// <name>.lock for as long as it runs; its journal is <name>.pfj, journals it was offered and set aside are
// <name>.declined-<n>.pfj, and a journal it restored waits as <name>.restored-<n>.pfj until its own reads
// back. Each journal's blobs are in the file of its name with ".blobs" added, which
// goes wherever the journal goes. A journal whose owner's lock can be taken belongs to a process that is no
// longer running: that is the one test, so two editors never take each other's journals, and a reused
// process number cannot be mistaken for the dead owner. The same test finds the locks and the temporary
// files (.<name>.pfj.tmp-…, .<name>.pfj.blobs.tmp-…) that an editor killed at the wrong moment left.
//
// Nothing in the folder is ever reached through a symbolic link, and every file made there is its user's
// alone (0600). The per-user state folder must itself be the user's own: a real folder, not writable by
// anyone else; otherwise there is no journal at all. A folder that cannot be written still has its
// journals offered, since restoring only reads them, but keeps no new one.
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
#include <span>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "model/file_io.h"
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

// The mode bits a per-user state folder must not have: nobody else may write in it.
inline constexpr unsigned kStateFolderForbiddenBits = 022;

class JournalStore {
 public:
  // Creates the folder (private to the user) and takes this process's lock; nothing and a one-line
  // reason when the folder cannot be made or, when `privateFolder` (the per-user state folder, not a
  // portable copy's program folder), is not the user's own. In a folder that cannot be written the store
  // only reads: it is returned with a one-line reason, and writable() is false.
  static std::unique_ptr<JournalStore> open(const QString& folder, QString* problem,
                                            bool privateFolder = true);
  // Lets go of every lock, leaving the files: a store that simply ends is what a crash looks like.
  ~JournalStore();
  JournalStore(const JournalStore&) = delete;
  JournalStore& operator=(const JournalStore&) = delete;

  const QString& folder() const { return folder_; }
  // Whether this process can keep a journal here.
  bool writable() const { return lockFd_ >= 0; }
  QString journalPath() const;

  // The journals of processes no longer running, their newest work first and set-aside ones last. Their
  // owners' locks are held from now on, so no other editor starting meanwhile offers them too.
  std::vector<FoundJournal> takeOrphans();
  // Set aside under this process's name, to be offered once more after it ends (or removed by its clean
  // end). The new path, or empty when it could not be renamed.
  QString setAside(const QString& path);
  // A journal whose work this process restored, renamed under this process's name until its own journal
  // reads back (JournalWriter::supersede): a crash before then offers it again. The new path, or the old
  // one when it could not be renamed.
  QString adopt(const QString& path);
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
  // Holds the lock of an owner that has gone; false while it still runs.
  bool holdOwnerOf(const QString& stem);

  QString folder_;
  QString stem_;
  int lockFd_ = -1;
  int declinedCount_ = 0;
  int adoptedCount_ = 0;
  // Owners of orphans: stem -> the lock held for them.
  std::map<QString, int> orphanLocks_;
};

// How the writer puts its files on disk; tests put failing ones in to see a full disk.
struct JournalFileOps {
  // Replaces a file whole, all or nothing.
  std::function<bool(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error)>
      replace = [](const std::string& path, std::span<const std::uint8_t> bytes, std::string* error) {
        return WritePrivateFileAtomically(path, bytes, error);
      };
  // Writes bytes into an existing file at an offset, flushed to disk.
  std::function<bool(const std::string& path, std::uint64_t offset, std::span<const std::uint8_t> bytes,
                     std::string* error)>
      writeAt = [](const std::string& path, std::uint64_t offset, std::span<const std::uint8_t> bytes,
                   std::string* error) { return WritePrivateFileAt(path, offset, bytes, error); };
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
  // Snapshots and writes at once, returning when the file is written: whether the journal on disk now
  // holds the work (or nothing needs keeping).
  bool writeNow();
  // Removes an older journal (with its blobs) once this one holds the work and reads back whole, trying
  // at once and then after every write until it is gone; true when it went at once. Until then a crash
  // leaves the older one to be offered: a full disk never costs the work.
  bool supersede(const QString& olderJournal);
  // With the worker idle.
  void setFileOps(JournalFileOps ops);
  // Stops writing, waiting for a write under way.
  void stop();

  // What the worker has done so far (for benchmarks and tests).
  std::int64_t bytesWritten() const { return bytesWritten_.load(); }
  int writes() const { return writes_.load(); }

 private:
  void snapshot();
  void run();
  // Encodes and writes one state; on the worker thread or, from writeNow, with the worker idle. Whether
  // the journal on disk holds it.
  bool write(const RecoveryState& state);
  // Whether the journal and blob file on disk read back as `state`.
  bool readsBackAs(const RecoveryState& state) const;

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
  bool writeBlobs(const EncodedJournal& encoded, std::string& error);

  std::string localBlobPath_;
  std::vector<std::uint8_t> lastWritten_;
  // The blobs of the journal on disk: a rewrite keeps them until the new journal has replaced it.
  std::vector<JournalBlob> lastBlobs_;
  // What the blob file holds, up to where it was last written whole; 0 for no file.
  std::unordered_set<std::uint64_t> blobKeys_;
  std::size_t blobFileSize_ = 0;
  bool reportedFailure_ = false;
  JournalFileOps ops_;
  // Older journals that go once this one reads back.
  std::vector<std::string> superseded_;
  std::atomic<std::int64_t> bytesWritten_{0};
  std::atomic<int> writes_{0};
  std::thread worker_;
};

}  // namespace pf
