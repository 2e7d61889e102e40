#include "app/recovery.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "archive/work_archive.h"
#include "editor/main_window.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_archive.h"
#include "fullcolour/photo_window.h"
#include "model/file_io.h"
#include "platform/local_path.h"

namespace pf {

namespace {

struct ArchiveKindName {
  JournalArchiveKind kind;
  const char* formName;
};
constexpr std::array<ArchiveKindName, 4> kArchiveForms{{{JournalArchiveKind::Colour16, Form10::kFormName},
                                                        {JournalArchiveKind::FullColour16, Form21::kFormName},
                                                        {JournalArchiveKind::FullColour, Form23::kFormName},
                                                        {JournalArchiveKind::Mask, Form24::kFormName}}};

std::optional<JournalArchiveKind> KindOf(const Form& form) {
  for (const ArchiveKindName& k : kArchiveForms) {
    if (form.formName() == QLatin1String(k.formName)) return k.kind;
  }
  return std::nullopt;
}

std::optional<JournalFullColour> CaptureFullColour(App& app) {
  Form20* window = app.find<Form20>();
  if (!window || window->isUnloaded()) return std::nullopt;
  JournalFullColour f;
  f.selectNum = window->SelectNum;
  const Surface& client = window->client();
  auto colourAt = [&client](int x, int y) {
    const std::int64_t c = client.getPixel(x, y);
    return c < 0 ? ColorRef{0} : static_cast<ColorRef>(c);
  };
  f.slotColumn.reserve(std::size_t{kFullColourSlotColumnWidth} * kFullColourSlotColumnHeight);
  for (int y = 0; y < kFullColourSlotColumnHeight; ++y) {
    for (int x = 0; x < kFullColourSlotColumnWidth; ++x) f.slotColumn.push_back(colourAt(x, y));
  }
  const QPoint origin = window->workAreaOrigin();
  const int edge = window->chosenSize();
  for (int y = 0; y < edge; ++y) {
    for (int x = 0; x < edge; ++x) f.workArea.push_back(colourAt(origin.x() + x, origin.y() + y));
  }
  return f;
}

void RestoreFullColour(App& app, const JournalFullColour& f) {
  auto* window = static_cast<Form20*>(app.loadByName(QString::fromLatin1(Form20::kFormName)));
  if (!window) return;
  app.show(window);
  if (!window->wasActivated()) window->activate();
  window->selectSize(f.selectNum);
  Surface& client = window->client();
  std::size_t i = 0;
  for (int y = 0; y < kFullColourSlotColumnHeight; ++y) {
    for (int x = 0; x < kFullColourSlotColumnWidth; ++x) client.setPixel(x, y, f.slotColumn[i++]);
  }
  const QPoint origin = window->workAreaOrigin();
  const int edge = window->chosenSize();
  i = 0;
  for (int y = 0; y < edge && i < f.workArea.size(); ++y) {
    for (int x = 0; x < edge; ++x) client.setPixel(origin.x() + x, origin.y() + y, f.workArea[i++]);
  }
  window->refresh();
}

JournalView CaptureView(App& app) {
  JournalView v;
  const IC* ic = app.mainWindow();
  v.editorHidden = ic && !ic->isUnloaded() && !ic->isVisible();
  if (const Form18* photo = app.find<Form18>(); photo && !photo->isUnloaded()) {
    v.photoWindowOpen = true;
    v.photoFile = photo->FileName.toStdString();
  }
  return v;
}

// The photo window opens the full colour window with it, which the full colour work then fills.
void RestorePhotoWindow(App& app, const JournalView& v) {
  if (!v.photoWindowOpen) return;
  Form18* photo = app.single<Form18>();
  if (!photo->wasActivated()) photo->activate();
  const QString file = QString::fromStdString(v.photoFile);
  // A photo gone since is simply not shown; it is no part of the work.
  if (!file.isEmpty() && QFileInfo(file).isFile()) photo->LoadPicFile(file);
}

// Hidden again only when another window shows, so the program never runs on with nothing to see.
void RestoreEditorVisibility(App& app, const JournalView& v) {
  IC* ic = app.mainWindow();
  if (!v.editorHidden || !ic) return;
  for (const Form* form : app.forms.forms()) {
    if (form != ic && !form->isUnloaded() && form->isVisible()) {
      ic->setEditorVisible(false);
      return;
    }
  }
}

void RestoreEditor(App& app, const RecoveryState& state) {
  IC* ic = app.mainWindow();
  if (!ic) return;
  SharedState& s = app.state;
  if (state.history) {
    const JournalHistory& h = *state.history;
    std::copy(h.records.begin(), h.records.end(), s.History.begin());
    s.HistoryIndex = h.index;
    s.HistoryLast = h.last;
    std::copy(h.snapshot.begin(), h.snapshot.end(), s.PixelSnapshot.begin());
  }
  if (state.picture) {
    const JournalPicture& p = *state.picture;
    std::copy(p.pixels.begin(), p.pixels.end(), s.IconPixels.begin());
    s.IconPalette = p.palette;
    std::copy(p.mask.begin(), p.mask.end(), s.IconMask.begin());
    s.MaskGrid = p.maskGrid;
    s.TransparentIndex = p.transparentIndex;
    ic->Opaque = p.opaque;
    ic->KeepMask = p.keepMask;
    ic->FileName = QString::fromStdString(p.fileName);
  } else if (state.history && state.history->index >= 0) {
    // Without its own section the picture is the record on screen.
    const HistoryRecord& r = s.History[static_cast<std::size_t>(s.HistoryIndex)];
    s.IconPalette = r.palette;
    std::copy(r.pixels.begin(), r.pixels.end(), s.IconPixels.begin());
    std::copy(r.mask.begin(), r.mask.end(), s.IconMask.begin());
  }
  ic->ShowRestoredWork();
}

// "保管庫　", "フルカラー保管庫　", "マスク保管庫　": what the caption of an archive of this kind starts
// with.
QString CaptionBase(JournalArchiveKind kind) {
  switch (kind) {
    case JournalArchiveKind::FullColour:
      return QStringLiteral("フルカラー保管庫　");
    case JournalArchiveKind::Mask:
      return QStringLiteral("マスク保管庫　");
    default:
      return QStringLiteral("保管庫　");
  }
}

// "絵", "絵と保管庫 2 つ", "絵、保管庫 2 つとフルカラーアイコン".
QString JoinParts(const QStringList& parts) {
  if (parts.size() <= 1) return parts.value(0);
  return parts.mid(0, parts.size() - 1).join(u'、') + u'と' + parts.back();
}

QString WhenChanged(const QDateTime& at, const QDateTime& now) {
  const QString time = at.toString(QStringLiteral("HH:mm"));
  if (at.date() == now.date()) return time;
  const QString day = QStringLiteral("%1月%2日 ").arg(at.date().month()).arg(at.date().day());
  if (at.date().year() == now.date().year()) return day + time;
  return QStringLiteral("%1年").arg(at.date().year()) + day + time;
}

QString LossName(const JournalLoss& loss) {
  switch (loss.part) {
    case JournalLoss::Part::Picture:
      return QStringLiteral("絵");
    case JournalLoss::Part::History:
      return QStringLiteral("戻す・進むの履歴");
    case JournalLoss::Part::Archive:
      return loss.number > 0 ? CaptionBase(loss.kind) + QString::number(loss.number)
                             : QStringLiteral("保管庫の一つ");
    case JournalLoss::Part::FullColour:
      return QStringLiteral("フルカラーアイコンの作業");
    case JournalLoss::Part::View:
      return QStringLiteral("どのウィンドウが出ていたか");
    case JournalLoss::Part::Unknown:
      break;
  }
  return QStringLiteral("記録の一部");
}

}  // namespace

QString RecoveryQuestionText(const RecoveryState& work, const QDateTime& lastChanged, const QDateTime& now,
                             bool offeredBefore) {
  QStringList parts;
  if (work.picture || work.history) parts << QStringLiteral("絵");
  if (!work.archives.empty()) parts << QStringLiteral("保管庫 %1 つ").arg(work.archives.size());
  if (work.fullColour) parts << QStringLiteral("フルカラーアイコン");
  QString text = QString::fromUtf8(kRecoveryQuestion);
  text += u'\n' + WhenChanged(lastChanged, now) + QStringLiteral(" の作業: ") + JoinParts(parts);
  text += offeredBefore ? QStringLiteral("\n「いいえ」を選ぶと、この作業は破棄されます。")
                        : QStringLiteral(
                              "\n「いいえ」を選ぶと、この作業は残しておき、次の起動でもう一度だけ尋ねます"
                              "（そのときも「いいえ」なら破棄されます）。");
  return text;
}

QString RecoveryLossText(const std::vector<JournalLoss>& lost, bool restFollows, const QString& keptAs) {
  QStringList names;
  for (const JournalLoss& loss : lost) {
    const QString name = LossName(loss);
    if (!names.contains(name)) names << name;
  }
  QString text =
      restFollows ? QStringLiteral("前回の作業の記録が一部壊れていたため、次のものは復元できませんでした: ")
                  : QStringLiteral("前回の作業の記録が壊れていたため、復元できませんでした: ");
  text += names.join(u'、') + u'。';
  if (restFollows) text += QStringLiteral("\nそのほかは復元しました。");
  text += keptAs.isEmpty() ? QStringLiteral("\n壊れた記録は消さずに残してあります。")
                           : QStringLiteral("\n壊れた記録は %1 として残してあります。").arg(keptAs);
  return text;
}

RecoveryState CaptureRecoveryState(App& app) {
  RecoveryState state;
  const SharedState& s = app.state;
  const IC* ic = app.mainWindow();
  // A file just opened and not yet changed is on disk already.
  const bool edited = s.HistoryLast >= 1 || (s.HistoryLast == 0 && ic && ic->FileName.isEmpty());
  if (ic && edited) {
    JournalPicture p;
    std::copy_n(s.IconPixels.begin(), kPixelCount, p.pixels.begin());
    p.palette = s.IconPalette;
    std::copy_n(s.IconMask.begin(), kMaskSize, p.mask.begin());
    p.maskGrid = s.MaskGrid;
    p.transparentIndex = std::clamp(s.TransparentIndex, 0, 15);
    p.opaque = ic->Opaque;
    p.keepMask = ic->KeepMask;
    p.fileName = ic->FileName.toStdString();
    state.picture = std::move(p);

    JournalHistory h;
    h.index = s.HistoryIndex;
    h.last = s.HistoryLast;
    h.records.assign(s.History.begin(), s.History.begin() + (s.HistoryLast + 1));
    std::copy_n(s.PixelSnapshot.begin(), kPixelCount, h.snapshot.begin());
    state.history = std::move(h);
  }
  for (Form* form : app.forms.forms()) {
    auto* archive = qobject_cast<ArchiveWindow*>(form);
    const std::optional<JournalArchiveKind> kind = archive ? KindOf(*archive) : std::nullopt;
    // Not activated yet: its slots have not been read from its file.
    if (!kind || archive->isUnloaded() || !archive->wasActivated()) continue;
    if (!archive->holdsUnsavedSlots()) continue;
    std::vector<std::uint8_t> bytes = archive->slotBytes();
    state.archives.push_back(
        {*kind, archive->archiveNumber(), archive->lastFile().toStdString(), std::move(bytes)});
  }
  state.fullColour = CaptureFullColour(app);
  if (app.mainWindow()) state.view = CaptureView(app);
  return state;
}

void RestoreRecoveryState(App& app, const RecoveryState& state) {
  // The photo window and the full colour window first: the archives of the full colour part stay above
  // them.
  if (state.view) RestorePhotoWindow(app, *state.view);
  if (state.fullColour) RestoreFullColour(app, *state.fullColour);
  std::vector<const JournalArchive*> archives;
  for (const JournalArchive& a : state.archives) archives.push_back(&a);
  std::stable_sort(archives.begin(), archives.end(), [](const JournalArchive* a, const JournalArchive* b) {
    return std::pair(a->kind, a->number) < std::pair(b->kind, b->number);
  });
  for (const JournalArchive* a : archives) {
    const auto it = std::find_if(kArchiveForms.begin(), kArchiveForms.end(),
                                 [a](const ArchiveKindName& k) { return k.kind == a->kind; });
    if (it == kArchiveForms.end()) continue;
    auto* window = qobject_cast<ArchiveWindow*>(app.loadByName(QString::fromLatin1(it->formName)));
    if (!window) continue;
    window->restoreSlots(a->number, QString::fromStdString(a->workFile), a->bytes);
    app.show(window);
    if (!window->wasActivated()) window->activate();
  }
  if (state.picture || state.history) RestoreEditor(app, state);
  if (state.view) RestoreEditorVisibility(app, *state.view);
}

bool OfferRecoveryThenOpen(App& app, SessionJournal* journal, const QString& file) {
  if (journal) journal->offerAndStart();
  EditorLink* editor = app.editor();
  if (file.isEmpty() || !editor) return true;
  editor->AutoFileOpen(file);
  // The start-up layout may have hidden the editor; the file asked for is shown all the same.
  editor->showHandedOver();
  return !editor->fileName().isEmpty();
}

// ---------------------------------------------------------------------------------------------------

SessionJournal::SessionJournal(App& app, const QString& folder, int delayMs) : app_(app) {
  QString problem;
  store_ = JournalStore::open(folder, &problem);
  if (!store_) {
    std::fprintf(stderr, "pictoforge: %s\n", qPrintable(problem));
    return;
  }
  writer_ = std::make_unique<JournalWriter>(
      store_->journalPath(), [&app] { return CaptureRecoveryState(app); }, delayMs);
}

SessionJournal::~SessionJournal() {
  app_.setWorkChangedHandler({});
}

bool SessionJournal::offerAndStart() {
  if (!store_) return false;
  // Files handed over meanwhile open after the answers, over what came back.
  IC* ic = app_.mainWindow();
  if (ic) ic->holdHandedFiles(true);
  bool restored = false;
  for (const FoundJournal& found : store_->takeOrphans()) {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(LocalPath(found.path));
    // Without its blob file a journal still gives back what it holds itself.
    const std::vector<std::uint8_t> blobs =
        bytes ? ReadWholeFile(LocalPath(JournalBlobPath(found.path))).value_or(std::vector<std::uint8_t>{})
              : std::vector<std::uint8_t>{};
    const JournalReadResult read = bytes ? DecodeJournal(*bytes, blobs) : JournalReadResult{};
    if (!read.recognised || read.state.empty()) {
      const QString aside = store_->moveUnreadable(found.path);
      std::fprintf(stderr, "pictoforge: the recovery journal %s cannot be read; %s\n", qPrintable(found.path),
                   aside.isEmpty() ? "left where it is" : qPrintable(QStringLiteral("kept as ") + aside));
      // Work was there and none of it reads back: the user is told, not only the terminal.
      if (read.recognised && !read.lost.empty())
        app_.ui.message(app_.mainWindow(), RecoveryLossText(read.lost, false, aside));
      continue;
    }
    // One session's work at a time; the others wait for the next start.
    if (restored) continue;
    const QString question = RecoveryQuestionText(read.state, QFileInfo(found.path).lastModified(),
                                                  QDateTime::currentDateTime(), found.declined);
    if (app_.ui.askYesNo(app_.mainWindow(), question)) {
      RestoreRecoveryState(app_, read.state);
      // Kept under this session's name before the old journal goes.
      writer_->writeNow();
      if (read.lost.empty()) {
        JournalStore::discard(found.path);
      } else {
        // What could not be read stays for a person to look at, as an unreadable journal does.
        const QString aside = store_->moveUnreadable(found.path);
        app_.ui.message(app_.mainWindow(), RecoveryLossText(read.lost, true, aside));
      }
      restored = true;
    } else if (found.declined) {
      JournalStore::discard(found.path);
    } else {
      store_->setAside(found.path);
    }
  }
  store_->releaseOrphans();
  if (ic) ic->holdHandedFiles(false);
  app_.setWorkChangedHandler([w = writer_.get()] { w->changed(); });
  // Whatever the start-up opened before now.
  writer_->changed();
  return restored;
}

void SessionJournal::end() {
  app_.setWorkChangedHandler({});
  if (!store_) return;
  writer_->stop();
  store_->removeOwnFiles();
}

}  // namespace pf
