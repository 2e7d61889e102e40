// Every message box, input box and common dialog of the program goes through Ui, so windows never block
// a test: the Qt implementation shows real dialogs, ScriptedUi answers from queues.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "model/colour.h"
#include "model/icon_directory.h"

class QWidget;

namespace pf {

inline const QString kMessageTitle = QStringLiteral("Pictoforge");

struct FileDialogOptions {
  QString title;
  // In the "description|pattern|description|pattern" form, e.g. "ｱｲｺﾝ(*.ico)|*.ico".
  QString filter;
  QString initialFolder;
  bool mustExist = false;  // open: the file must exist
  // Save: ask before replacing a file. AskSaveName asks, about the name that will be written; the
  // dialogs themselves never do, since they know only the name as typed.
  bool askOverwrite = false;
  // The question asked about an existing file, given its path; OverwriteQuestion when not set.
  std::function<QString(const QString& path)> overwriteQuestion;
  bool pathMustExist = false;
};

class Ui {
 public:
  virtual ~Ui() = default;

  virtual void message(QWidget* parent, const QString& text) = 0;
  // Yes/No question; true for Yes.
  virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
  // Input box; nullopt on Cancel.
  virtual std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                          const QString& defaultText) = 0;
  // File dialogs; nullopt on Cancel.
  virtual std::optional<QString> openFile(QWidget* parent, const FileDialogOptions& options) = 0;
  virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogOptions& options) = 0;
  virtual std::optional<ColorRef> chooseColour(QWidget* parent, ColorRef initial) = 0;
  virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) = 0;
  // Opens a local file in the desktop's viewer for its type (the manual); false when none took it.
  virtual bool openInViewer(QWidget* parent, const QString& path) = 0;
};

// The save dialog as every save command runs it. The answer is the name that will be written: the name
// chosen with `extension` (".ico") appended unless the file's own name holds it (WithSaveExtension). With
// options.askOverwrite, an existing file of that name is asked about (OverwriteQuestion); No goes back
// to the dialog in that folder, as the dialog's own question would. Nothing on Cancel.
std::optional<QString> AskSaveName(Ui& ui, QWidget* parent, FileDialogOptions options,
                                   const QString& extension);
// "face.ico は既に存在します。\n上書きしますか?", the question Qt's own dialog asks, for the file's name.
QString OverwriteQuestion(const QString& fileName);

// The question before an image of `kind` is saved into the existing file at `path`: when that is an icon
// with other images, that they are kept ("face.ico には他の画像が 3 個あります。..."), else
// OverwriteQuestion.
QString IconImageQuestion(const QString& path, IconImageKind kind);
// Save options whose overwrite question is IconImageQuestion for `kind`.
void AskAboutOtherImages(FileDialogOptions& options, IconImageKind kind);

// "ｱｲｺﾝ(*.ico)|*.ico|全て(*.*)|*.*" -> "ｱｲｺﾝ(*.ico);;全て(*.*)", the form Qt's dialogs take.
QString QtFileFilter(const QString& filter);

class QtUi final : public Ui {
 public:
  void message(QWidget* parent, const QString& text) override;
  bool askYesNo(QWidget* parent, const QString& text) override;
  std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                  const QString& defaultText) override;
  std::optional<QString> openFile(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<QString> saveFile(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<ColorRef> chooseColour(QWidget* parent, ColorRef initial) override;
  std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
  bool openInViewer(QWidget* parent, const QString& path) override;
};

// Answers dialogs from queues and records what was asked and shown. An empty queue answers Cancel (No).
class ScriptedUi final : public Ui {
 public:
  struct Request {
    QString kind;  // "input", "open", "save", "colour", "font", "yesno", "viewer"
    QString text;  // prompt or question
    QString title;
    QString defaultText;
    FileDialogOptions file;
  };

  std::deque<std::optional<QString>> inputAnswers;
  std::deque<std::optional<QString>> fileAnswers;
  std::deque<bool> yesNoAnswers;
  std::deque<std::optional<ColorRef>> colourAnswers;
  std::deque<std::optional<QFont>> fontAnswers;

  QStringList messages;
  std::vector<Request> requests;

  void message(QWidget* parent, const QString& text) override;
  bool askYesNo(QWidget* parent, const QString& text) override;
  std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                  const QString& defaultText) override;
  std::optional<QString> openFile(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<QString> saveFile(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<ColorRef> chooseColour(QWidget* parent, ColorRef initial) override;
  std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
  // Records the path (as the request's text) and answers viewerAnswer.
  bool openInViewer(QWidget* parent, const QString& path) override;
  bool viewerAnswer = true;
};

}  // namespace pf
