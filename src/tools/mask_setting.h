// The mask window of the 16-colour icon: the editor's AND mask as a grid of "0"/"1" characters beside a
// preview (see MaskGridWindow). Menus change the whole mask or every pixel of one palette index, and save
// the icon with this mask as a 32 x 32 or a 16 x 16 icon file. It edits MaskGrid in place and keeps no
// copy; IconMask is packed only when saving.
#pragma once

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <cstdint>

#include "model/icon_directory.h"
#include "platform/index_chooser.h"
#include "tools/mask_grid_window.h"

namespace pf {

class Form11 final : public MaskGridWindow {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form11";

  Form11(AppContext& app, QWidget* owner);
  ~Form11() override;

  void mnuSAVE_Click();
  void mnuBS16_Click();
  void mnuMADD_Click();
  void mnuMDell_Click();
  void List2_Click(int row);

  // What the list will do when a row is chosen.
  bool addMode() const { return AddMode; }
  // The name of the last save.
  const QString& fileName() const { return FileName; }

  IndexChooser* List2 = nullptr;
  QLabel* Label1 = nullptr;

 protected:
  PaletteEntry pixelColour(int column, int row) const override;

 private:
  void buildMenus();
  void showList(bool addMode);
  // Asks for the file name under the settings key; empty on Cancel. Appends ".ico" and remembers the
  // folder.
  QString askIconName(const char* key, IconImageKind kind);

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
