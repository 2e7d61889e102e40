// pictoforge-send FILE [--socket PATH]
//
// Sends a file name to the running editor the way its message protocol expects: 810 to begin, one 811
// per character (lParam = the Unicode code point; a byte of the name that is not UTF-8 as U+DC00 + the
// byte) and 812 to load the name as an exchange file, then waits for the editor's answer.
//
// Exit status: 0 the editor read the file (or, from an editor too old to answer, took the name); 1 no
// editor listens, the messages could not be sent, or the editor could not read the file; 2 usage.
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/file_name_sender.h"
#include "platform/local_path.h"
#include "platform/message_channel.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The file name as its bytes: Qt's decoded arguments would replace those that are not UTF-8.
  std::vector<const char*> args(argv + 1, argv + argc);
  QString socketPath;
  const auto socketFlag = std::find(args.begin(), args.end(), std::string_view("--socket"));
  if (socketFlag != args.end() && socketFlag + 1 != args.end()) {
    socketPath = pf::FromLocalPath(*(socketFlag + 1));
    args.erase(socketFlag, socketFlag + 2);
  }
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: pictoforge-send FILE [--socket PATH]\n");
    return 2;
  }
  if (socketPath.isEmpty()) {
    // The editor's own choice: a name nobody else can have made.
    const pf::ChannelPlace place = pf::DefaultChannelPlace();
    if (place.path.isEmpty()) {
      std::fprintf(stderr, "pictoforge-send: %s\n", qPrintable(place.problem));
      return 1;
    }
    socketPath = place.path;
  }
  // The editor reads the name as it arrives, from its own working folder: send it absolute.
  const QString name = pf::AbsoluteLocalPath(args[0]);

  QString error;
  const pf::SendResult result = pf::SendToEditor(
      socketPath, pf::FileNameMessages(name, pf::kNameIsExchangeFile), &error, pf::Answer::Wait);
  if (result == pf::SendResult::NoEditor) {
    std::fprintf(stderr, "pictoforge-send: no editor is listening on %s (%s)\n", qPrintable(socketPath),
                 qPrintable(error));
    return 1;
  }
  if (result == pf::SendResult::Failed) {
    std::fprintf(stderr, "pictoforge-send: could not send to the editor (%s)\n", qPrintable(error));
    return 1;
  }
  if (result == pf::SendResult::NotOpened) {
    std::fprintf(stderr, "pictoforge-send: %s: the editor could not read it as an exchange file\n", args[0]);
    return 1;
  }
  return 0;
}
