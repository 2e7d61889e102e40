// The mask window: the editor's AND mask as a grid of "0"/"1" characters, one per pixel, beside a
// five-times preview of the icon in which transparent pixels take the background colour. A blinking cell
// cursor moves with the mouse and the arrow keys; Enter or Space toggles the cell under it. Menus change
// the whole mask or every pixel of one palette index, and save the icon with this mask as a 32 x 32 or a
// 16 x 16 icon file. It edits MaskGrid in place and keeps no copy; IconMask is packed only when saving.
#pragma once

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "platform/drawing.h"
#include "platform/form.h"
#include "platform/index_chooser.h"

namespace pf {

struct SharedState;

class Form11 final : public Form, public CaretWindow {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form11";
  // Where the preview sits in the client area, beside the 256 x 512 text grid.
  static constexpr int kPreviewLeft = 300;
  static constexpr int kPreviewSize = 160;

  Form11(AppContext& app, QWidget* owner);
  ~Form11() override;

  // Redraws the text grid and the preview from the shared state.
  void ShowBit();

  void mnuSAVE_Click();
  void mnuBS16_Click();
  void mnuMALL_Click();
  void mnuMCLEAR_Click();
  void mnuMADD_Click();
  void mnuMDell_Click();
  void mnuMRev_Click();
  void mnuEND_Click();
  void List2_Click(int row);
  void Timer1_Timer();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_KeyDown(int keyCode, int shift) override;

  // The cursor cell and what the list will do when a row is chosen.
  int column() const { return CurColumn; }
  int row() const { return CurRow; }
  bool addMode() const { return AddMode; }
  // The name of the last save.
  const QString& fileName() const { return FileName; }

  IndexChooser* List2 = nullptr;
  QLabel* Label1 = nullptr;
  QTimer Timer1;

 private:
  void buildMenus();
  // Moves the cell cursor to (x, y) in text-grid pixels, wrapping at the row ends.
  void MoveCursor(int x, int y);
  void showList(bool addMode);
  // Asks for the file name under the settings key; empty on Cancel. Appends ".ico" and remembers the
  // folder.
  QString askIconName(const char* key);

  SharedState& S;
  std::unique_ptr<Surface> Canvas;
  CaretColours Colours;
  int CurColumn = 0;
  int CurRow = 0;
  int CurPixelIndex = 31 * 32;
  std::uint8_t ChosenIndex = 0;
  bool AddMode = false;
  QString FileName;

  QMenu* mnuBF = nullptr;
  QMenu* mnuM = nullptr;
  QAction* mnuSAVE = nullptr;
  QAction* mnuBS16 = nullptr;
  QAction* mnuMALL = nullptr;
  QAction* mnuMCLEAR = nullptr;
  QAction* mnuMADD = nullptr;
  QAction* mnuMDell = nullptr;
  QAction* mnuMRev = nullptr;
  QAction* mnuEND = nullptr;
};

}  // namespace pf
