// The session's recovery journal: what a crash would lose is kept on disk while the program runs, and what
// a session that did not end cleanly left is offered back at the next start.
#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

#include "model/recovery_journal.h"
#include "platform/journal_writer.h"

namespace pf {

class App;

inline constexpr const char* kRecoveryQuestion =
    "前回のPictoforgeは正しく終了しませんでした。作業内容を復元しますか？";

// The question about one journal: the opening line above, when its work last changed and what it holds
// ("12:04 の作業: 絵と保管庫 2 つ"), and what いいえ does with it (kept for one more offer, or, when it
// was offered before, discarded).
QString RecoveryQuestionText(const RecoveryState& work, const QDateTime& lastChanged, const QDateTime& now,
                             bool offeredBefore);

// The one message about a damaged journal: the parts that could not be brought back, whether the rest
// was, and where the journal was kept (empty when it could not be renamed).
QString RecoveryLossText(const std::vector<JournalLoss>& lost, bool restFollows, const QString& keptAs);

// The unsaved work of the open windows: the editor's picture and undo history (once there is something
// beyond a file just opened), the archives whose slots changed since they were read or saved, and the
// full colour window while it is open.
RecoveryState CaptureRecoveryState(App& app);

// Puts the work back: the photo window when it was open, the full colour window and the archives as
// windows of their own numbers, marked unsaved; the editor shows the picture with its whole undo
// history, and is hidden again when it was hidden and another window shows.
void RestoreRecoveryState(App& app, const RecoveryState& state);

class SessionJournal;

// What the start does once the editor is up: first the question about work a crash left (`journal` may
// be nullptr), then, after the answer, the file named on the command line (empty for none), opened over
// whatever came back as 開く would, so restored work stays one 戻す away, and shown even when a layout
// hid the editor. Opened while the question shows, はい would replace it. False when the file could not
// be read.
bool OfferRecoveryThenOpen(App& app, SessionJournal* journal, const QString& file);

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
  // read at all is renamed with one line on stderr. A damaged one gives back what reads whole, one
  // message names what does not, and it is renamed like an unreadable one instead of being removed.
  // Then starts keeping this session's journal. Returns whether work was restored.
  bool offerAndStart();
  // The clean end: stops writing and removes this session's journal and what it set aside.
  void end();

 private:
  App& app_;
  std::unique_ptr<JournalStore> store_;
  std::unique_ptr<JournalWriter> writer_;
};

}  // namespace pf
