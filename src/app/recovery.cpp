#include "app/recovery.h"

#include <QDir>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "archive/work_archive.h"
#include "editor/main_window.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_archive.h"
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

// Whether slots hold anything their work file on disk does not.
bool Unsaved(const ArchiveWindow& archive, const std::vector<std::uint8_t>& bytes) {
  if (archive.lastFile().isEmpty())
    return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; });
  const std::optional<std::vector<std::uint8_t>> onDisk = ReadWholeFile(LocalPath(archive.lastFile()));
  return !onDisk || *onDisk != bytes;
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

}  // namespace

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
    std::vector<std::uint8_t> bytes = archive->slotBytes();
    if (!archive->markedUnsaved() && !Unsaved(*archive, bytes)) continue;
    state.archives.push_back(
        {*kind, archive->archiveNumber(), archive->lastFile().toStdString(), std::move(bytes)});
  }
  state.fullColour = CaptureFullColour(app);
  return state;
}

void RestoreRecoveryState(App& app, const RecoveryState& state) {
  // The full colour window first: its archives stay above it.
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
}

// ---------------------------------------------------------------------------------------------------

SessionJournal::SessionJournal(App& app, const QString& folder, int delayMs) : app_(app) {
  QString problem;
  // A portable copy keeps its journal in its own program folder, whose rights are its user's business.
  store_ =
      JournalStore::open(folder, &problem, QDir::cleanPath(folder) != QDir::cleanPath(app.programFolder()));
  if (!problem.isEmpty()) std::fprintf(stderr, "pictoforge: %s\n", qPrintable(problem));
  if (!store_ || !store_->writable()) return;
  writer_ = std::make_unique<JournalWriter>(
      store_->journalPath(), [&app] { return CaptureRecoveryState(app); }, delayMs);
  // The App lets go of its handler when it ends, and with it this token: from then on nothing may reach
  // the App, and the writer stops, whichever of the two ends first.
  auto token = std::shared_ptr<JournalWriter>(writer_.get(), [](JournalWriter* w) { w->stop(); });
  appAlive_ = token;
  app.setWorkChangedHandler([token, started = started_] {
    if (*started) token->changed();
  });
}

SessionJournal::~SessionJournal() {
  if (!appAlive_.expired()) app_.setWorkChangedHandler({});
}

bool SessionJournal::offerAndStart() {
  if (!store_) return false;
  bool restored = false;
  bool offered = false;
  for (const FoundJournal& found : store_->takeOrphans()) {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFileNoFollow(LocalPath(found.path));
    // Without its blob file a journal still gives back what it holds itself.
    const std::vector<std::uint8_t> blobs =
        bytes ? ReadWholeFileNoFollow(LocalPath(JournalBlobPath(found.path)))
                    .value_or(std::vector<std::uint8_t>{})
              : std::vector<std::uint8_t>{};
    const JournalReadResult read = bytes ? DecodeJournal(*bytes, blobs) : JournalReadResult{};
    if (!read.recognised || read.state.empty()) {
      const QString aside = store_->moveUnreadable(found.path);
      std::fprintf(stderr, "pictoforge: the recovery journal %s cannot be read; %s\n", qPrintable(found.path),
                   aside.isEmpty() ? "left where it is" : qPrintable(QStringLiteral("kept as ") + aside));
      continue;
    }
    // One session's work at a time; the others wait for the next start.
    if (restored) continue;
    offered = true;
    if (app_.ui.askYesNo(app_.mainWindow(), QString::fromUtf8(kRecoveryQuestion))) {
      RestoreRecoveryState(app_, read.state);
      // The old journal goes only once this session's own holds the work and reads back; in a folder that
      // cannot be written it simply stays.
      if (writer_) writer_->supersede(store_->adopt(found.path));
      restored = true;
    } else if (found.declined) {
      JournalStore::discard(found.path);
    } else {
      store_->setAside(found.path);
    }
  }
  store_->releaseOrphans();
  if (!writer_) {
    if (offered) app_.ui.message(app_.mainWindow(), QString::fromUtf8(kNoNewJournalMessage));
    return restored;
  }
  *started_ = true;
  // Whatever the start-up opened before now.
  writer_->changed();
  return restored;
}

void SessionJournal::end() {
  if (!appAlive_.expired()) app_.setWorkChangedHandler({});
  if (!writer_) return;
  writer_->stop();
  store_->removeOwnFiles();
}

}  // namespace pf
