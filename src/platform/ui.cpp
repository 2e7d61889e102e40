#include "platform/ui.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QSplitter>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "model/file_io.h"
#include "platform/form.h"
#include "platform/local_path.h"

namespace pf {

QString QtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // Qt takes the patterns from a trailing parenthesis; add one unless the description has it already.
    if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('('))) {
      const qsizetype open = description.lastIndexOf(QLatin1Char('('));
      out << description.left(open) + QLatin1Char('(') + patterns + QLatin1Char(')');
    } else {
      out << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
  }
  return out.join(QStringLiteral(";;"));
}

// Every dialog keeps the window it stands over in use while it runs (Form::InUse): the window may be
// closed meanwhile (by assistive technology, which reaches past a modal dialog, or by another window's
// command); it then cancels the dialog and is deleted only after the dialog's loop has ended.

void QtUi::message(QWidget* parent, const QString& text) {
  const Form::InUse inUse(parent);
  QMessageBox::information(parent, kMessageTitle, text);
}

bool QtUi::askYesNo(QWidget* parent, const QString& text) {
  const Form::InUse inUse(parent);
  return QMessageBox::question(parent, kMessageTitle, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

std::optional<QString> QtUi::inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                      const QString& defaultText) {
  const Form::InUse inUse(parent);
  bool ok = false;
  QString text = QInputDialog::getText(parent, title.isEmpty() ? kMessageTitle : title, prompt,
                                       QLineEdit::Normal, defaultText, &ok);
  if (!ok) return std::nullopt;
  return text;
}

namespace {
// Qt's dialog opens too narrow for Japanese: its size and type columns cut a size in bytes and a type
// such as a Windows bitmap to their first and last characters. The dialog opens wide enough for a name and
// those columns, and each column widens to its header and values whenever a folder's contents arrive.
void FitFileDialog(QFileDialog& dialog) {
  const QFontMetrics metrics(dialog.font());
  // Widths in cells of one full-width character and of one digit: a name of twenty characters, a size
  // such as "1,023.9 KiB", a type of eight letters and eight full-width characters, a date and time.
  const int wide = metrics.horizontalAdvance(QChar(0x6F22));
  const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
  const int padding = metrics.horizontalAdvance(QLatin1Char('M')) * 2;
  const int name = 20 * wide + 4 * digit;
  const int size = 11 * digit;
  const int type = 8 * digit + 8 * wide;
  const int date = 16 * digit;
  const int sidebar = 7 * wide + 3 * padding;
  dialog.resize(std::max(dialog.width(), sidebar + name + size + type + date + 8 * padding),
                std::max(dialog.height(), metrics.height() * 32));
  if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
      splitter && splitter->count() == 2)
    splitter->setSizes({sidebar, dialog.width() - sidebar});
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (!view || !model) return;
  view->header()->resizeSection(0, name + padding);
  const auto widen = [view] {
    for (int column = 1; column < view->header()->count(); ++column) {
      const int before = view->columnWidth(column);
      view->resizeColumnToContents(column);
      view->setColumnWidth(column, std::max(before, view->columnWidth(column)));
    }
  };
  QObject::connect(model, &QFileSystemModel::directoryLoaded, view, widen, Qt::QueuedConnection);
  widen();
}

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogOptions& o, bool save) {
  const Form::InUse inUse(parent);
  QFileDialog dialog(parent, o.title, o.initialFolder, QtFileFilter(o.filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile
                          : (o.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
  // Our own dialog works the same everywhere, also under a bare X server.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  // The question is asked by AskSaveName about the name with its extension, not here about the name as
  // typed: typing "face" must not replace face.ico unasked.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  FitFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}
}  // namespace

QString OverwriteQuestion(const QString& fileName) {
  return fileName + QStringLiteral(" は既に存在します。\n上書きしますか?");
}

QString IconImageQuestion(const QString& path, IconImageKind kind) {
  const QString name = QFileInfo(path).fileName();
  const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(LocalPath(path));
  const std::optional<IconPut> put = bytes ? PlanIconPut(*bytes, kind) : std::nullopt;
  if (!put || put->others == 0) return OverwriteQuestion(name);
  const QString others = QStringLiteral("%1 には他の画像が %2 個あります。\n").arg(name).arg(put->others);
  return others + (put->replaces
                       ? QStringLiteral("この画像だけを置き換え、他の画像はそのまま残します。よろしいですか?")
                       : QStringLiteral("この画像を加え、他の画像はそのまま残します。よろしいですか?"));
}

void AskAboutOtherImages(FileDialogOptions& options, IconImageKind kind) {
  options.overwriteQuestion = [kind](const QString& path) { return IconImageQuestion(path, kind); };
}

std::optional<QString> AskSaveName(Ui& ui, QWidget* parent, FileDialogOptions options,
                                   const QString& extension) {
  for (;;) {
    const std::optional<QString> chosen = ui.saveFile(parent, options);
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    const QString name =
        QString::fromStdString(WithSaveExtension(chosen->toStdString(), extension.toStdString()));
    const QFileInfo file(name);
    if (!options.askOverwrite || !file.exists()) return name;
    const QString question =
        options.overwriteQuestion ? options.overwriteQuestion(name) : OverwriteQuestion(file.fileName());
    if (ui.askYesNo(parent, question)) return name;
    options.initialFolder = file.absolutePath();
  }
}

std::optional<QString> QtUi::openFile(QWidget* parent, const FileDialogOptions& options) {
  return RunFileDialog(parent, options, false);
}

std::optional<QString> QtUi::saveFile(QWidget* parent, const FileDialogOptions& options) {
  return RunFileDialog(parent, options, true);
}

std::optional<ColorRef> QtUi::chooseColour(QWidget* parent, ColorRef initial) {
  const Form::InUse inUse(parent);
  const QColor c = QColorDialog::getColor(QColor(RedOf(initial), GreenOf(initial), BlueOf(initial)), parent);
  if (!c.isValid()) return std::nullopt;
  return Rgb(c.red(), c.green(), c.blue());
}

std::optional<QFont> QtUi::chooseFont(QWidget* parent, const QFont& initial) {
  const Form::InUse inUse(parent);
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return std::nullopt;
  return f;
}

bool QtUi::openInViewer(QWidget*, const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

namespace {
template <class T>
std::optional<T> Next(std::deque<std::optional<T>>& queue) {
  if (queue.empty()) return std::nullopt;
  const bool answered = queue.front().has_value();
  T value = answered ? *queue.front() : T{};
  queue.pop_front();
  if (!answered) return std::nullopt;
  return value;
}
}  // namespace

void ScriptedUi::message(QWidget*, const QString& text) {
  messages << text;
}

bool ScriptedUi::askYesNo(QWidget*, const QString& text) {
  requests.push_back({QStringLiteral("yesno"), text, {}, {}, {}});
  messages << text;
  if (yesNoAnswers.empty()) return false;
  const bool answer = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return answer;
}

std::optional<QString> ScriptedUi::inputBox(QWidget*, const QString& prompt, const QString& title,
                                            const QString& defaultText) {
  requests.push_back({QStringLiteral("input"), prompt, title, defaultText, {}});
  return Next(inputAnswers);
}

std::optional<QString> ScriptedUi::openFile(QWidget*, const FileDialogOptions& options) {
  requests.push_back({QStringLiteral("open"), {}, options.title, {}, options});
  return Next(fileAnswers);
}

std::optional<QString> ScriptedUi::saveFile(QWidget*, const FileDialogOptions& options) {
  requests.push_back({QStringLiteral("save"), {}, options.title, {}, options});
  return Next(fileAnswers);
}

std::optional<ColorRef> ScriptedUi::chooseColour(QWidget*, ColorRef) {
  requests.push_back({QStringLiteral("colour"), {}, {}, {}, {}});
  return Next(colourAnswers);
}

std::optional<QFont> ScriptedUi::chooseFont(QWidget*, const QFont&) {
  requests.push_back({QStringLiteral("font"), {}, {}, {}, {}});
  return Next(fontAnswers);
}

bool ScriptedUi::openInViewer(QWidget*, const QString& path) {
  requests.push_back({QStringLiteral("viewer"), path, {}, {}, {}});
  return viewerAnswer;
}

}  // namespace pf
