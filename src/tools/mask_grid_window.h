// What the two 32 x 32 mask windows share: the mask as a grid of "0"/"1" characters, one per pixel, 8 by
// 16 pixels each, beside a five-times preview of the icon in which transparent pixels take the background
// colour. A blinking cell cursor moves with the mouse and the arrow keys and carries a box over its pixel
// in the preview; Enter or Space toggles the cell under it. The 16-colour mask window edits the shared
// MaskGrid, the full colour one a grid of its own; each says what colour an opaque pixel shows.
#pragma once

#include <QTimer>
#include <memory>

#include "model/colour.h"
#include "model/shared_state.h"
#include "platform/drawing.h"
#include "platform/form.h"

namespace pf {

class MaskGridWindow : public Form, public CaretWindow {
  Q_OBJECT
 public:
  // Where the preview sits in the client area, beside the 256 x 512 text grid.
  static constexpr int kPreviewLeft = 300;
  static constexpr int kPreviewSize = 160;

  ~MaskGridWindow() override;

  // Redraws the text grid and the preview.
  void ShowBit();
  void Timer1_Timer();
  // The whole mask transparent, opaque, or each cell inverted.
  void mnuMALL_Click();
  void mnuMCLEAR_Click();
  void mnuMRev_Click();
  void mnuEND_Click();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_KeyDown(int keyCode, int shift) override;

  // The cursor cell.
  int column() const { return CurColumn; }
  int row() const { return CurRow; }

  QTimer Timer1;

 protected:
  MaskGridWindow(AppContext& app, const QString& formName, QWidget* owner, MaskGridArray& grid);

  // The colour of the pixel under a grid cell (row 0 at the top) when the cell is opaque.
  virtual PaletteEntry pixelColour(int column, int row) const = 0;
  // A press outside the text grid.
  virtual void pressedOutsideGrid(int /*x*/, int /*y*/) {}
  // After the grid changed: the picture again, the cursor box and the caret on the new value.
  virtual void gridChanged();

  // Moves the cell cursor to (x, y) in text-grid pixels, wrapping at the row ends.
  void MoveCursor(int x, int y);

  SharedState& S;
  MaskGridArray& Grid;

 private:
  PaletteEntry shownColour(int column, int row) const;

  std::unique_ptr<Surface> Canvas;
  CaretColours Colours;
  int CurColumn = 0;
  int CurRow = 0;
};

}  // namespace pf
