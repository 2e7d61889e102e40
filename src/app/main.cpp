// pictoforge [FILE] | --help | --version
//
// Starts the editor, opening FILE as the File menu's open command would. When an editor is already
// listening on the file-name channel, FILE goes to that editor instead and this process ends at once:
// a file manager's "Open with" then reuses the open window rather than starting a second one.
//
// Unsaved work is kept in a recovery journal while the editor runs; what a session that did not end
// cleanly left is offered back at the start (app/recovery.h).
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/recovery.h"
#include "editor/main_window.h"
#include "platform/editor_link.h"
#include "platform/file_name_sender.h"
#include "platform/fonts.h"
#include "platform/local_path.h"
#include "platform/message_channel.h"
#include "platform/program_folder.h"
#include "platform/translation.h"

namespace {

// The desktop entry's name without .desktop: lets the desktop match the editor's windows to its entry.
constexpr auto kDesktopId = "org.pictoforge.Pictoforge";

constexpr auto kUsage =
    "usage: pictoforge [FILE]\n"
    "Starts the Pictoforge editor, opening FILE (a 16-colour icon or bitmap) when given; with an editor\n"
    "already running, FILE is handed to it.\n"
    "  -h, --help  show this text\n"
    "  --version   show the version\n";

// Whether the toolkit will find a screen: without one it aborts, so we say so ourselves first. A
// platform named on the command line or in QT_QPA_PLATFORM (offscreen, vnc, ...) is the user's choice.
bool HasDisplay(int argc, char** argv) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before the toolkit starts, so that they need no display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("%s", kUsage);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("pictoforge %s\n", PF_VERSION);
      return 0;
    }
  }
  if (!HasDisplay(argc, argv)) {
    std::fprintf(stderr, "pictoforge: no display: set DISPLAY or WAYLAND_DISPLAY\n");
    return 1;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pictoforge"));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));

  // Qt has taken its own options out already; what is left is at most the file to open.
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.size() > 1 || (args.size() == 1 && (args[0].isEmpty() || args[0].startsWith(u'-')))) {
    std::fprintf(stderr, "usage: pictoforge [FILE]\n");
    return 2;
  }
  // Decided once, for handing FILE over and for listening.
  const pf::ChannelPlace channel = pf::DefaultChannelPlace();
  if (!channel.problem.isEmpty()) std::fprintf(stderr, "pictoforge: %s\n", qPrintable(channel.problem));
  QString file;
  if (args.size() == 1) {
    // Absolute, so that it means the same to an editor started from another folder; from the bytes as
    // given (Qt has taken its own options out of argv), so that a name that is not UTF-8 stays itself.
    file = pf::AbsoluteLocalPath(argv[argc - 1]);
    struct stat st {};
    const bool exists = ::stat(pf::LocalPath(file).c_str(), &st) == 0;
    if (!exists || !S_ISREG(st.st_mode)) {
      std::fprintf(stderr, "pictoforge: %s: %s\n", argv[argc - 1], exists ? "not a file" : "no such file");
      return 1;
    }
    if (!channel.path.isEmpty()) {
      switch (pf::SendToEditor(channel.path, pf::FileNameMessages(file, pf::kNameIsPictureFile), nullptr,
                               pf::Answer::Wait)) {
        case pf::SendResult::Sent:
        case pf::SendResult::Opened:
          return 0;
        case pf::SendResult::NotOpened:
          // The running editor has told the user too, as its own open command does.
          std::fprintf(stderr, "pictoforge: %s: not a 16-colour icon or bitmap\n", argv[argc - 1]);
          return 1;
        case pf::SendResult::NoEditor:
        case pf::SendResult::Failed:
          break;
      }
    }
  }

  const pf::ProgramFolder folder = pf::ChooseProgramFolder(pf::RunningProgramPlaces());
  for (const QString& problem : folder.problems)
    std::fprintf(stderr, "pictoforge: %s\n", qPrintable(problem));

  pf::InstallFontSubstitutes();
  pf::InstallJapaneseTranslation(application);
  pf::QtUi ui;
  pf::App app(ui, folder.path, channel.path);
  // An installed copy's program folder is hidden settings: dialogs and the file list begin at home.
  if (folder.perUser) app.setStartFolder(QDir::homePath());
  // The program ends when the main window closes, whatever else is still open or hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(app.start(), &QObject::destroyed, &application, &QCoreApplication::quit);
  std::unique_ptr<pf::SessionJournal> journal;
  if (!pf::JournalTurnedOff(app.settings))
    journal = std::make_unique<pf::SessionJournal>(app, pf::JournalFolder(folder.perUser, folder.path));
  // Once the editor is up: the question about work a crash left, then the file named on the command line.
  QTimer::singleShot(0, &application, [&app, &journal, file, shown = args.value(0)] {
    // A name the editor cannot read at all has its own message; a failed read has none.
    if (!pf::OfferRecoveryThenOpen(app, journal.get(), file))
      std::fprintf(stderr, "pictoforge: %s: not a 16-colour icon or bitmap\n", qPrintable(shown));
  });
  const int status = QApplication::exec();
  // A clean end: nothing is left to offer at the next start.
  if (journal) journal->end();
  return status;
}
