#include "platform/form.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QUrl>
#include <cmath>
#include <utility>

#include "model/profile.h"
#include "platform/app_context.h"

namespace pf {

ClientArea::ClientArea(Form& form) : QWidget(&form), form_(form) {
  setObjectName(QStringLiteral("ClientArea"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAcceptDrops(true);
}

void ClientArea::paintEvent(QPaintEvent* e) {
  // Only what Qt asks for: after a refresh that is just the pixels that changed.
  QPainter p(this);
  const QImage& image = form_.client().image();
  for (const QRect& r : e->region()) p.drawImage(r.topLeft(), image, r);
}

namespace {
int Coordinate(double v) {
  return static_cast<int>(std::nearbyint(v));
}
}  // namespace

void ClientArea::mousePressEvent(QMouseEvent* e) {
  const Form::InUse inUse(&form_);
  form_.readyForInput();
  form_.Form_MouseDown(ButtonOf(e->button()), ShiftStateOf(e->modifiers()), Coordinate(e->position().x()),
                       Coordinate(e->position().y()));
}

void ClientArea::mouseMoveEvent(QMouseEvent* e) {
  const Form::InUse inUse(&form_);
  form_.Form_MouseMove(ButtonsOf(e->buttons()), ShiftStateOf(e->modifiers()), Coordinate(e->position().x()),
                       Coordinate(e->position().y()));
}

void ClientArea::mouseReleaseEvent(QMouseEvent* e) {
  AppContext& app = form_.app();
  const Form::InUse inUse(&form_);
  form_.Form_MouseUp(ButtonOf(e->button()), ShiftStateOf(e->modifiers()), Coordinate(e->position().x()),
                     Coordinate(e->position().y()));
  app.workChanged();
}

void ClientArea::mouseDoubleClickEvent(QMouseEvent* e) {
  AppContext& app = form_.app();
  const Form::InUse inUse(&form_);
  mousePressEvent(e);
  form_.Form_DblClick();
  app.workChanged();
}

void ClientArea::keyPressEvent(QKeyEvent* e) {
  const int code = KeyCodeOf(*e);
  if (code == 0) {
    QWidget::keyPressEvent(e);
    return;
  }
  AppContext& app = form_.app();
  const Form::InUse inUse(&form_);
  form_.readyForInput();
  form_.Form_KeyDown(code, ShiftStateOf(e->modifiers()));
  app.workChanged();
}

void ClientArea::dragEnterEvent(QDragEnterEvent* e) {
  if (form_.acceptsDrops() && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void ClientArea::dropEvent(QDropEvent* e) {
  QStringList files;
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  if (!files.isEmpty()) {
    e->acceptProposedAction();
    form_.dropPosition_ = e->position().toPoint();
    AppContext& app = form_.app();
    const Form::InUse inUse(&form_);
    form_.readyForInput();
    form_.Form_OLEDragDrop(files);
    app.workChanged();
  }
}

Form::Form(AppContext& app, const QString& formName, QWidget* owner)
    : QMainWindow(owner, Qt::Window),
      app_(app),
      formName_(formName),
      client_(1, 1),
      area_(new ClientArea(*this)) {
  setObjectName(formName);
  // Deleted after closing, but only once no command or dialog of it is running (closeEvent).
  setCentralWidget(area_);
  client_.setTrackDamage(true);
}

Form::~Form() {
  app_.forms.remove(this);
}

namespace {
ColorRef WindowBackground(const QWidget& w) {
  const QColor c = w.palette().color(QPalette::Window);
  return Rgb(c.red(), c.green(), c.blue());
}
}  // namespace

void Form::setClientSize(int width, int height) {
  // Keep what was drawn where it still fits; new area takes the window background.
  Surface grown(width, height);
  grown.fillRect(0, 0, width, height, WindowBackground(*this));
  grown.bitBlt(0, 0, client_.width(), client_.height(), client_, 0, 0);
  grown.setFont(client_.font());
  client_ = grown;
  client_.setTrackDamage(true);
  area_->setFixedSize(width, height);
  adjustSize();
  area_->update();
}

void Form::clearClient() {
  client_.fillRect(0, 0, client_.width(), client_.height(), WindowBackground(*this));
}

void Form::refresh() {
  // The surface knows which pixels changed since the last refresh; the screen gets those alone.
  const QRegion damage = client_.takeDamage();
  if (!damage.isEmpty()) area_->update(damage);
}

QAction* Form::addMenuItem(QWidget* menu, const QString& name, const QString& caption,
                           std::function<void()> handler) {
  auto* action = new QAction(caption, menu);
  action->setObjectName(name);
  menu->addAction(action);
  if (handler) {
    connect(action, &QAction::triggered, this, [this, action, handler = std::move(handler)] {
      // Dialogs the command opens are titled after it.
      const QString outer = std::exchange(runningCommand_, CaptionWithoutAccelerator(action->text()));
      AppContext& app = app_;
      {
        const InUse inUse(this);
        handler();
        runningCommand_ = outer;
      }
      app.workChanged();
    });
  } else {
    action->setEnabled(false);
  }
  return action;
}

QMenu* Form::addSubMenu(QWidget* parent, const QString& name, const QString& caption) {
  QMenu* m = nullptr;
  if (auto* bar = qobject_cast<QMenuBar*>(parent)) {
    m = bar->addMenu(caption);
  } else {
    m = static_cast<QMenu*>(parent)->addMenu(caption);
  }
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

FileDialogOptions Form::dialogOptions() const {
  FileDialogOptions options;
  options.title = runningCommand_;
  return options;
}

std::optional<QString> Form::askOpenFile(const char* folderKey, FileDialogOptions options) {
  options.initialFolder = app_.rememberedFolder(folderKey);
  options.mustExist = true;
  const std::optional<QString> chosen = app_.ui.openFile(this, options);
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  storeLastFolder(app_.settings, folderKey, chosen->toStdString());
  return chosen;
}

std::optional<QString> Form::askSaveFile(const char* folderKey, FileDialogOptions options,
                                         const QString& extension) {
  options.initialFolder = app_.rememberedFolder(folderKey);
  options.askOverwrite = true;
  options.pathMustExist = true;
  std::optional<QString> chosen = AskSaveName(app_.ui, this, options, extension);
  if (!chosen) return std::nullopt;
  storeLastFolder(app_.settings, folderKey, chosen->toStdString());
  return chosen;
}

QString CaptionWithoutAccelerator(const QString& caption) {
  static const QRegularExpression accelerator(QStringLiteral("\\(&[^)]\\)$"));
  QString text = caption;
  text.remove(accelerator);
  text.remove(QLatin1Char('&'));
  return text;
}

void Form::load() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void Form::unload() {
  close();
}

void Form::activate() {
  if (unloaded_) return;
  const bool first = !activated_;
  activated_ = true;
  inFirstActivation_ = first;
  Form_Activate();
  inFirstActivation_ = false;
}

void Form::readyForInput() {
  if (!activated_) activate();
}

bool Form::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) activate();
  const bool handled = QMainWindow::event(e);
  // A window manager that prevents focus stealing never activates a new window; its first-activation
  // work must not wait for a click.
  if (e->type() == QEvent::Show && !activated_ && !unloaded_) activate();
  return handled;
}

void Form::closeEvent(QCloseEvent* e) {
  if (!unloaded_) {
    unloaded_ = true;
    Form_Unload();
    emit unloaded();
    deletePending_ = true;
    cancelDialogs();
    deleteWhenUnused();
  }
  e->accept();
}

Form::InUse::InUse(QWidget* widget) {
  for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (auto* form = qobject_cast<Form*>(w)) {
      form_ = form;
      ++form->inUse_;
      return;
    }
  }
}

Form::InUse::~InUse() {
  if (form_.isNull()) return;
  --form_->inUse_;
  form_->deleteWhenUnused();
}

bool Form::usedHereOrBelow() const {
  if (inUse_ > 0) return true;
  // The windows it owns are deleted with it: one of them in use keeps it too.
  for (const Form* owned : findChildren<Form*>()) {
    if (owned->inUse_ > 0) return true;
  }
  return false;
}

void Form::deleteWhenUnused() {
  for (QWidget* w = this; w != nullptr; w = w->parentWidget()) {
    auto* form = qobject_cast<Form*>(w);
    if (form != nullptr && form->deletePending_ && !form->usedHereOrBelow()) {
      form->deletePending_ = false;
      form->deleteLater();
    }
  }
}

void Form::cancelDialogs() {
  for (QDialog* dialog : findChildren<QDialog*>()) {
    if (!dialog->isVisible()) continue;
    // A dialog over a dialog over this window is this window's too; one over another window is not.
    QWidget* base = dialog->parentWidget();
    while (qobject_cast<QDialog*>(base) != nullptr) base = base->parentWidget();
    if (base != nullptr && base->window() == this) dialog->reject();
  }
}

int KeyCodeOf(const QKeyEvent& e) {
  const int key = e.key();
  const bool keypad = e.modifiers().testFlag(Qt::KeypadModifier);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return (keypad ? 96 : 48) + (key - Qt::Key_0);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 65 + (key - Qt::Key_A);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 112 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    default:
      return 0;
  }
}

int ShiftStateOf(Qt::KeyboardModifiers m) {
  return (m.testFlag(Qt::ShiftModifier) ? 1 : 0) | (m.testFlag(Qt::ControlModifier) ? 2 : 0) |
         (m.testFlag(Qt::AltModifier) ? 4 : 0);
}

int ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

int ButtonsOf(Qt::MouseButtons b) {
  return (b.testFlag(Qt::LeftButton) ? 1 : 0) | (b.testFlag(Qt::RightButton) ? 2 : 0) |
         (b.testFlag(Qt::MiddleButton) ? 4 : 0);
}

}  // namespace pf
