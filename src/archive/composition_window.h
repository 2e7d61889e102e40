// The composition window: a second 32 x 32 picture with its own palette, prepared here (taken from the
// editor, opened or dropped from a file, picked out by one palette number, scrolled, cut to a dragged
// rectangle, replaced by a rendered character) and combined into the editor's picture by copy, XOR, OR or
// AND, optionally leaving out one transparent palette number and optionally taking its palette along.
// Any number may be open; archives find them by their caption and trade pictures through the public
// operations below.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "model/shared_state.h"
#include "platform/form.h"
#include "platform/index_chooser.h"

namespace pf {

struct Picture16;

class Form8 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form8";
  // The caption every composition window starts with; the main window numbers the ones it opens.
  static constexpr const char* kCaption = "画像合成";
  // The five-times view in the client area's top-left corner.
  static constexpr int kViewSize = 160;
  static constexpr int kZoom = 5;

  Form8(AppContext& app, QWidget* owner);
  ~Form8() override;

  // What the archives use. Pixel indices 0..1024, palette entries 0..15; none repaints but DoShow.
  std::uint8_t GetIcon(int I) const;
  void SetIcon(int I, std::uint8_t Dat);
  void GetMyRGB(int I, std::uint8_t& B, std::uint8_t& G, std::uint8_t& R) const;
  void SetMyRGB(int I, std::uint8_t B, std::uint8_t G, std::uint8_t R);
  void DoShow();

  // The text font as chosen in the font dialog; the size is used as the cell height in pixels.
  struct TextFontSettings {
    QString face;
    int size = 32;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
  };
  // Corners of the dragged selection in view pixels, each on a cell boundary.
  struct SelectionRect {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
  };

  // What the window holds.
  const PixelArray& pixels() const { return MixPixels; }
  const Palette& palette() const { return MixPalette; }
  int transparentIndex() const { return MixTransparentIndex; }
  int operation() const { return MixOperation; }
  const SelectionRect& selection() const { return selection_; }
  bool dragging() const { return dragging_; }
  bool textPending() const { return TextPending; }
  bool pickPending() const { return PickPending; }
  const TextFontSettings& textFont() const { return font_; }
  // The off-screen view: clean picture on the left half, the picture with the selection on the right.
  const Surface& viewSurface() const { return ViewSurface; }

  // Menu bar.
  void mnuOPEN_Click();
  void mnuGet_Click();
  void mnuColPpc_Click();
  void mnuMOJI_Click();
  void mnuPAL_Click();
  void mnuUnDO2_Click();
  void mnuEND_Click();
  // Controls.
  void Option1_Click(int index);
  void Check1_Click();
  void Command1_Click();           // combine into the editor
  void Command2_Click();           // keep the selection only
  void Command3_Click(int index);  // 0 up, 1 left, 2 down, 3 right
  void Command4_Click();           // undo the last shift
  void Command5_Click();           // start inserting Text2
  void List1_Click(int row);

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_MouseMove(int buttons, int shift, int x, int y) override;
  void Form_MouseUp(int button, int shift, int x, int y) override;
  bool acceptsDrops() const override { return true; }
  void Form_OLEDragDrop(const QStringList& files) override;

 private:
  void buildControls();
  void RedrawMixView();
  void RenderText();
  void CreateTextFont();
  void ShowFontLabel();
  // Shows the index chooser with no row chosen, so that any row, the last one chosen included, is a choice.
  void showList();
  // Puts a picture that was read from a file into the window, palette and all.
  void takePicture(const Picture16& picture);
  void forgetUndo();
  void showView(int sourceLeft);

  PixelArray MixPixels{};
  Palette MixPalette{};
  int MixOperation = 0;
  int MixTransparentIndex = 0;
  // One step each; empty while there is nothing to undo (at the start, and after a new picture came in).
  std::optional<PixelArray> ShiftUndo;
  std::optional<PixelArray> EditUndo;
  bool TextPending = false;
  bool PickPending = false;
  bool MixBusy = false;
  int TextColourIndex = 0;
  TextFontSettings font_;
  SelectionRect selection_;
  bool dragging_ = false;
  // The value Label3 shows, -1 while it is empty.
  int hoverValue_ = -1;
  Surface ViewSurface;
  Surface TextSurface;

  std::array<QRadioButton*, 4> Option1{};
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check2 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  std::array<QPushButton*, 4> Command3{};
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  IndexChooser* List1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QAction* mnuOPEN = nullptr;
  QAction* mnuGet = nullptr;
  QAction* mnuColPpc = nullptr;
  QAction* mnuMOJI = nullptr;
  QAction* mnuPAL = nullptr;
  QAction* mnuUnDO2 = nullptr;
  QAction* mnuEND = nullptr;
};

}  // namespace pf
