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

#include "model/colour.h"
#include "model/shared_state.h"
#include "tools/mask_grid_window.h"

namespace pf {

class Form19 final : public MaskGridWindow {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form19";
  static constexpr int kEdge = 32;

  Form19(AppContext& app, QWidget* owner);
  ~Form19() override;

  // Unpacks FullColourMask into the grid (when it holds a 32 x 32 mask).
  void GetBit();
  // Packs the grid into FullColourMask (when it holds a 32 x 32 mask).
  void SetMask();

  void mnuAdd_Click();
  void mnuDell_Click();
  // A new mask archive, owned by the full colour window.
  void mnuMKBOX_Click();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;

  // What the tests read: the grid (row 0 at the top) and the picked colour.
  const MaskGridArray& grid() const { return OwnGrid; }
  const PaletteEntry& referenceColour() const { return ReferenceColour; }

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;

 protected:
  PaletteEntry pixelColour(int column, int row) const override;
  // A press on the preview picks the reference colour.
  void pressedOutsideGrid(int x, int y) override;
  // Every change goes into FullColourMask at once, so a save or an archive sees the mask as shown.
  void gridChanged() override;

 private:
  void buildMenus();

  MaskGridArray OwnGrid{};
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
