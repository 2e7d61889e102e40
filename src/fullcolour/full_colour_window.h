// The full colour icon window: one candidate icon for each of four sizes in slots down the left, the icon
// of the chosen size in the work area, a 32 x 32 composition image that dragging stamps onto the icon with
// a constant alpha (optionally leaving out its key colour), and the full colour icon files. The icon lives
// on the window's own surface; the pixel array is read off it when the icon is saved. The photo window
// opens it, fills its slots and closes it.
#pragma once

#include <QCheckBox>
#include <QPoint>
#include <QRadioButton>
#include <QSlider>
#include <array>
#include <cstdint>
#include <span>

#include "model/colour.h"
#include "platform/form.h"
#include "platform/surface.h"

namespace pf {

class Form20 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form20";
  // Where the composition image, its blended preview and the stamping region lie on the surface.
  static constexpr QPoint kCompositionImage{250, 200};
  static constexpr QPoint kBlendPreview{300, 200};

  Form20(AppContext& app, QWidget* owner);
  ~Form20() override;

  // The chosen size, 0..3 (edges 32, 64, 96, 128); 0 from load on.
  int SelectNum = 0;
  // Set by the check view, the mask window and the load confirmation while they are loaded.
  bool fForm22 = false;
  bool fForm19 = false;
  bool fForm26 = false;

  // The 128 x 128 scratch surface and the 200 x 200 preview surface, whose pixel (u, v) is window
  // pixel (300 + u, v).
  Surface& hMem() { return ScratchSurface; }
  Surface& hMem2() { return PreviewSurface; }

  // The edge of the chosen size, and the top-left corner of the work area, (366 - S/2, 66 - S/2).
  int chosenSize() const;
  QPoint workAreaOrigin() const;
  // The top-left corner of size slot i (0..3).
  static QPoint slotOrigin(int index);

  // The work area as a pixel array: 3 * S * S bytes, blue, green, red, bottom row first.
  void GetIC(std::span<std::uint8_t> IconData) const;
  // Chooses a size the way its option button does (refused while a mask window is open); true when that
  // size is the chosen one afterwards.
  bool selectSize(int index);
  // Blends the composition image with the slider's alpha into its preview (and the scratch surface).
  void AlphaRefresh();

  QSlider* Slider1 = nullptr;
  QCheckBox* Check1 = nullptr;
  std::array<QRadioButton*, 4> Option1{};

  // What the tests read.
  int maskByteCount() const { return M; }
  ColorRef keyColour() const { return KeyColour; }

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseMove(int buttons, int shift, int x, int y) override;
  void Form_KeyDown(int keyCode, int shift) override;

 private:
  void buildControls();
  void buildMenus();
  void Option1_Click(int index);
  // Makes a size the chosen one: fresh arrays, its slot in the work area.
  void chooseSize(int index);
  void fillBackground(Surface& s, int left, int top, int right, int bottom) const;
  void mirrorIntoCheckView();
  void mnuOpen_Click();
  void mnuSave_Click();
  void mnuMSK_Click();
  void mnuSV16_Click();
  void mnu24Bit_Click();
  void mnuGamen_Click();
  void mnuDoMix_Click();
  void mnuSaveWindow_Click();

  Surface ScratchSurface{128, 128};
  Surface PreviewSurface{200, 200};
  ColorRef KeyColour = 0;
  std::int32_t M = 0;
  // Swallows the toggle of putting the previous size back after a refused change.
  bool SuppressClick = false;
};

}  // namespace pf
