// The main editor window: the icon as a 32 x 32 grid of hexadecimal palette numbers, the previews, the
// palette panel, the status bar and the menus. Tool windows read its public members and call DoShow
// after they change the picture.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <array>
#include <memory>

#include "model/shared_state.h"
#include "platform/drawing.h"
#include "platform/form.h"

namespace pf {

// A label that reports presses and releases, for the back and forward labels.
class PressLabel final : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void pressed();
  void released();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class IC final : public Form, public CaretWindow {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "IC";
  static constexpr int kGridTop = 57;
  static constexpr int kCaretMaxX = 248;
  static constexpr int kCaretMaxY = 553;
  static constexpr ColorRef kCanvasBackColour = Rgb(53, 33, 16);

  IC(AppContext& app, QWidget* owner);
  ~IC() override;

  // Public members other windows use.
  int SelectPalNum = 0;
  QString FileName;
  bool Opaque = false;
  bool KeepMask = false;

  // Repaints canvas, previews and palette panel, storing an undo record when the pixels changed.
  void DoShow();
  // mode 0 plain, 1 also keeps a clean copy of the 5x preview, 2 first reloads the default palette.
  void RedisplayAll(int mode);
  void MoveCaret(int x, int y);
  void SetPixelAtCaret();
  void DrawPalettePanel();
  void ShowSelectedColour(int n);
  void LoadDefaultPalette();

  // Menu commands.
  void mnuNEW_Click();
  void mnuNew16_Click();
  void mnuBTP_Click();
  void mnuBCS_Click();

  // The back (0) and forward (1) labels.
  void Label1_MouseDown(int index);
  void Label1_MouseUp(int index);
  void Timer1_Timer();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_KeyDown(int keyCode, int shift) override;

  // State tests and tool windows look at.
  int curColumn() const { return CurColumn; }
  int curRow() const { return CurRow; }
  int curPixelIndex() const { return CurPixelIndex; }
  bool editActive() const { return EditActive; }
  bool skipHistoryOnce() const { return SkipHistoryOnce; }
  void setSkipHistoryOnce(bool skip) { SkipHistoryOnce = skip; }
  QString statusPanel(int panel) const;  // 1..3
  QAction* menuAction(const QString& name) const;
  QMenu* menu(const QString& name) const;
  const CaretColours& caretColours() const { return Colours; }

 private:
  void buildMenus();
  void buildControls();
  void setStatusPanel(int panel, const QString& text);
  void updateHistoryLabel();
  void drawBanner();
  void newIcon(const QString& statusText, int caretY);
  // Tells the open tool windows that another palette entry was selected.
  void notifyPaletteSelection();
  void palettePick(int x, int y);
  QAction* addMenuAction(QMenu* menu, const QString& name, const QString& caption, void (IC::*handler)());
  QMenu* addSubMenu(QWidget* parent, const QString& name, const QString& caption);

  SharedState& S;
  int CurColumn = 0;
  int CurRow = 0;
  int CurPixelIndex = 31 * 32;
  int TypedValue = 0;
  bool EditActive = false;
  bool SkipHistoryOnce = false;
  PackedArray PackedPixels{};
  int MixWindowCount = 0;
  std::unique_ptr<Surface> CanvasBuffer;
  std::unique_ptr<Surface> ZoomBuffer;
  CaretColours Colours;
  QFont CanvasFont;

  QTimer Timer1;
  std::array<PressLabel*, 2> Label1{};
  QString label1SavedStyle_;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 3> statusPanels_{};
};

}  // namespace pf
