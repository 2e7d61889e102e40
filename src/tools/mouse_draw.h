// The MouseDraw window: a paint window with its own copy of the picture and freehand tools (dots,
// lines, rectangles and circles, outlined or filled, a fill of the clicked region, a two-colour
// checkerboard mix) and a composite mode
// that lays the main window's picture over or under the own one and lets the user drag it. Drawing
// happens on true-colour surfaces with black as the transparent key; after every step the visible
// surface is read back into palette indices.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/form.h"
#include "tools/mouse_draw_canvas.h"

namespace pf {

class Form17 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form17";

  // Client areas: the 5x canvas, the actual-size preview and the palette strip.
  static constexpr int kCanvasLeft = 10;
  static constexpr int kCanvasTop = 10;
  static constexpr int kZoom = MouseDrawCanvas::kZoom;
  static constexpr int kCanvasSize = MouseDrawCanvas::kViewSize;
  static constexpr int kPreviewLeft = 10;
  static constexpr int kPreviewTop = 180;
  static constexpr int kStripLeft = 220;
  static constexpr int kStripRight = 250;
  static constexpr int kStripTop = 50;
  static constexpr int kStripStep = 20;
  static constexpr int kDigitLeft = 210;

  // Drawing modes, the indices of Option1.
  using Mode = MouseDrawCanvas::Mode;
  using enum MouseDrawCanvas::Mode;

  Form17(AppContext& app, QWidget* owner);
  ~Form17() override;

  // One step of the current tool at image pixel (x, y), as a drag over the canvas runs it: draw, read
  // the picture back, redraw.
  void toolStep(int x, int y);

  // The window's own picture, in the icon's pixel order.
  const Image32& work() const { return canvas_.work(); }
  int drawingColour() const { return canvas_.colour(); }

  void Command1_Click();  // All Clear
  void mnuGET_Click();
  void mnuSend_Click();
  void mnuUPDATE_Click();
  void mnuUNDO_Click();
  void mnuEND_Click();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_MouseMove(int buttons, int shift, int x, int y) override;
  void Form_MouseUp(int button, int shift, int x, int y) override;

 private:
  void buildControls();
  // Drawing only happens between load and unload.
  bool ready() const { return ready_; }
  static bool onCanvas(int x, int y);
  static bool onStrip(int x, int y);
  void pickColour(int button, int y);
  void Check2_Click();
  void Check3_Click();
  void mixColourChanged(int index);
  // The two mix colours while 混色 is ticked.
  std::optional<MouseDrawCanvas::Mix> currentMix() const;
  void redraw();
  void drawPaletteStrip();

  MouseDrawCanvas canvas_;
  bool ready_ = false;
  bool applyingRule_ = false;

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  std::array<QRadioButton*, 5> Option1{};
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check2 = nullptr;
  std::array<QLineEdit*, 2> Text1{};
  QCheckBox* Check3 = nullptr;
  QCheckBox* Check4 = nullptr;
  QPushButton* Command1 = nullptr;
  QAction* mnuGET = nullptr;
  QAction* mnuSend = nullptr;
  QAction* mnuUPDATE = nullptr;
  QAction* mnuUNDO = nullptr;
  QAction* mnuEND = nullptr;
};

}  // namespace pf
