// The mask window of a 32 x 32 full colour icon: the mask as a grid of "0"/"1" characters, one per pixel,
// beside a five-times preview of the work area's icon in which transparent pixels take the background
// colour. The cell cursor, the keys, the caret and the whole-mask commands work as in the 16-colour mask
// window; a click on the preview picks a reference colour whose pixels "追加" makes transparent and "削除"
// opaque. The grid is written back to FullColourMask after every change, so the icon window's save and
// the mask archive always see what is shown.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <memory>

#include "model/colour.h"
#include "model/shared_state.h"
#include "platform/drawing.h"
#include "platform/form.h"

namespace pf {

class Form19 final : public Form, public CaretWindow {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form19";
  static constexpr int kEdge = 32;
  // The preview's place beside the 256 x 512 text grid.
  static constexpr int kPreviewLeft = 300;
  static constexpr int kPreviewSize = 160;

  Form19(AppContext& app, QWidget* owner);
  ~Form19() override;

  // Unpacks FullColourMask into the grid (when it holds a 32 x 32 mask).
  void GetBit();
  // Redraws the text grid and the preview.
  void ShowBit();
  // Packs the grid into FullColourMask (when it holds a 32 x 32 mask).
  void SetMask();

  void mnuMALL_Click();
  void mnuMCLEAR_Click();
  void mnuAdd_Click();
  void mnuDell_Click();
  void mnuMRev_Click();
  // A new mask archive, owned by the full colour window.
  void mnuMKBOX_Click();
  void mnuEND_Click();
  void Timer1_Timer();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_KeyDown(int keyCode, int shift) override;

  // What the tests read: the grid (row 0 at the top), the cursor cell, the picked colour.
  const MaskGridArray& grid() const { return Grid; }
  int column() const { return CurColumn; }
  int row() const { return CurRow; }
  const PaletteEntry& referenceColour() const { return ReferenceColour; }

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QTimer Timer1;

 private:
  void buildMenus();
  void MoveCursor(int x, int y);
  // After a change: the grid into FullColourMask, the picture, the cursor box and the caret.
  void changed();
  PaletteEntry shownColour(int column, int row) const;

  SharedState& S;
  MaskGridArray Grid{};
  std::unique_ptr<Surface> Canvas;
  CaretColours Colours;
  int CurColumn = 0;
  int CurRow = 0;
  PaletteEntry ReferenceColour{};

  QMenu* mnuM = nullptr;
  QAction* mnuMALL = nullptr;
  QAction* mnuMCLEAR = nullptr;
  QAction* mnuAdd = nullptr;
  QAction* mnuDell = nullptr;
  QAction* mnuMRev = nullptr;
  QAction* mnuMKBOX = nullptr;
  QAction* mnuEND = nullptr;
};

}  // namespace pf
