// The sending side of the file-name channel (message_channel.h): what pictoforge-send writes, and what a
// second `pictoforge FILE` writes to hand its file to the editor that is already running.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pf {

// wParam of message 812: what the editor does with the completed name. Senders that leave it 0 keep
// the exchange-file meaning the message always had.
inline constexpr std::int32_t kNameIsExchangeFile = 0;
// Opens the name as the File menu's open command would (AutoFileOpen).
inline constexpr std::int32_t kNameIsPictureFile = 1;

// 810, one 811 per character (lParam = its Unicode code point), then 812 with `wParam812`. A byte of the
// name that is not UTF-8 goes as its escape, U+DC00 + the byte (model/local_name.h).
QByteArray FileNameMessages(const QString& name, std::int32_t wParam812);

enum class SendResult {
  // The messages went; no answer was waited for, or none came (an editor from before the answers).
  Sent,
  // The editor answered that it opened the file.
  Opened,
  // The editor answered that it could not open the file (it tells the user itself, as its own commands do).
  NotOpened,
  // Nothing answers at the path: no socket there, or one left behind by an editor that was killed.
  NoEditor,
  // An editor answered but the messages could not be written.
  Failed,
};

enum class Answer { DoNotWait, Wait };

// Connects to the editor listening at `socketPath` and writes the messages; `error` receives the reason
// when they were not sent. With Answer::Wait, for messages ending in one 812: waits a few seconds for the
// editor to say it has the name, then as long as the editor takes to try the file (a message it shows
// there waits for the user).
SendResult SendToEditor(const QString& socketPath, const QByteArray& messages, QString* error = nullptr,
                        Answer wait = Answer::DoNotWait);

}  // namespace pf
