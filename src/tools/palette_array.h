// The palette array window: the 20 palette sets of the shared store as a grid of swatches. Choosing a
// row's option button puts that row into the icon's palette; the check boxes mark the current set, the
// row a palette-set file hands to the icon when it is read. The window also takes the icon's palette up
// into a row, reads a row from an icon file's colour table, edits single swatches with the colour
// dialog, and reads and writes palette-set files (.pal); it also reads the palettes of other programs
// into a row and writes a row as a GIMP palette.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QString>
#include <array>

#include "model/colour.h"
#include "model/foreign_palette.h"
#include "model/shared_state.h"
#include "platform/form.h"

namespace pf {

class Form12 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form12";
  static constexpr int kRows = kPaletteSetCount;
  static constexpr int kSwatches = kRows * 16;
  static constexpr int kRowHeight = 25;
  static constexpr int kSwatchLeft = 60;
  static constexpr int kSwatchSpacing = 40;
  static constexpr int kSwatchWidth = 20;
  static constexpr int kSwatchHeight = 15;

  Form12(AppContext& app, QWidget* owner);

  void Form_Load() override;
  void Form_Unload() override;

  // Row p is 1..20, swatch i is 1..320 (entry i - 1 of the palette sets).
  void Option1_Click(int p);
  void Check1_Click(int p);
  void Label1_Click(int i);
  void mnuOPEN_Click();
  void mnuOPENPAL_Click();
  void mnuSV_Click();
  // Writes the chosen row as a GIMP palette.
  void mnuSVGPL_Click();
  void mnuPLT_Click();
  void mnuPALUNDO_Click();
  void mnuEND_Click();

  // The 1-based row that taking up and the palette-only load write into.
  int targetRow() const { return targetRow_; }
  bool ready() const { return ready_; }
  // The path of the last file dialog; empty after a cancelled one.
  const QString& fileName() const { return fileName_; }

  // Element 0 of each array is a hidden template, as the rows and swatches count from 1.
  std::array<QRadioButton*, kRows + 1> Option1{};
  std::array<QCheckBox*, kRows + 1> Check1{};
  std::array<QLabel*, kSwatches + 1> Label1{};

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  void buildGrid();
  void paintSwatch(int i);
  void paintRow(int row);  // 0-based
  void repaintMainWindow();
  // Puts the first 16 colours of another program's palette into the chosen row; nothing read, nothing
  // changed.
  void openForeignPalette(const std::optional<ForeignPalette>& read);
  // The folder the palette-only load starts in, kept in the settings file under DIR / IconPal.
  QString rememberedFolder() const;
  void rememberFolder(const QString& chosenPath);

  Palette savedPalette_{};
  int targetRow_ = 1;
  bool ready_ = false;
  QString fileName_;
};

}  // namespace pf
