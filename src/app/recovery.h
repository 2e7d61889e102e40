// The session's recovery journal: what a crash would lose is kept on disk while the program runs, and what
// a session that did not end cleanly left is offered back at the next start.
#pragma once

#include <QString>
#include <memory>

#include "model/recovery_journal.h"
#include "platform/journal_writer.h"

namespace pf {

class App;

inline constexpr const char* kRecoveryQuestion =
    "前回のPictoforgeは正しく終了しませんでした。作業内容を復元しますか？";

// The unsaved work of the open windows: the editor's picture and undo history (once there is something
// beyond a file just opened), the archives whose slots differ from their work files (or that have none
// and are not blank), and the full colour window while it is open.
RecoveryState CaptureRecoveryState(App& app);

// Puts the work back: the full colour window and the archives open as windows of their own numbers,
// marked unsaved; the editor shows the picture with its whole undo history.
void RestoreRecoveryState(App& app, const RecoveryState& state);

class SessionJournal {
 public:
  // Takes this process's place in `folder`. When that fails, one line goes to stderr and the journal
  // stays off; the program runs on.
  SessionJournal(App& app, const QString& folder, int delayMs = 1000);
  // Stops listening and writing but leaves the journal, as a crash would.
  ~SessionJournal();
  SessionJournal(const SessionJournal&) = delete;
  SessionJournal& operator=(const SessionJournal&) = delete;

  bool active() const { return store_ != nullptr; }
  QString journalPath() const { return store_ ? store_->journalPath() : QString(); }
  JournalWriter* writer() const { return writer_.get(); }

  // Asks about each journal an ended process left until one is restored: はい restores it, いいえ sets it
  // aside for one more offer (or, when it was set aside before, discards it). A journal that cannot be
  // read at all is renamed with one line on stderr. Then starts keeping this session's journal. Returns
  // whether work was restored.
  bool offerAndStart();
  // The clean end: stops writing and removes this session's journal and what it set aside.
  void end();

 private:
  App& app_;
  std::unique_ptr<JournalStore> store_;
  std::unique_ptr<JournalWriter> writer_;
};

}  // namespace pf
