// The mask window of a 64 x 64 full colour icon: the icon five times enlarged, on which the left button
// paints cells transparent and the right button paints them opaque; Shift with the left button picks a
// reference colour, and "追加" / "削除" take every cell within a colour range of it. The whole-mask
// commands and the range selection can be taken back once with "戻す". Like the 32 x 32 mask window it
// writes its grid back to FullColourMask after every change.
#pragma once

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/colour.h"
#include "platform/form.h"
#include "platform/surface.h"

namespace pf {

struct SharedState;

// A picture control: an image of its own shown 1:1, with mouse events in its own pixels (buttons and
// shift state as the windows' mouse events take them).
class PictureBox final : public QWidget {
 public:
  using MouseHandler = std::function<void(int button, int shift, int x, int y)>;
  PictureBox(QWidget* parent, const QString& name, int left, int top, int width, int height);

  Surface& picture() { return picture_; }
  const Surface& picture() const { return picture_; }
  void resizePicture(int width, int height);
  // Replaces the whole picture and repaints it.
  void setPicture(const Surface& picture);
  // Repaints what drawing on picture() has changed since the last call.
  void refresh();

  MouseHandler onMouseDown;
  MouseHandler onMouseMove;
  MouseHandler onMouseUp;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Surface picture_;
};

class Form25 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form25";
  static constexpr int kCell = 5;  // picture pixels per icon pixel

  Form25(AppContext& app, QWidget* owner);
  ~Form25() override;

  // Unpacks FullColourMask into the grid / packs the grid into it (when it holds a mask of this edge).
  void GetBit();
  void SetMask();

  void Picture1_MouseDown(int button, int shift, int x, int y);
  void Picture1_MouseMove(int buttons, int shift, int x, int y);
  void Picture1_MouseUp(int button, int shift, int x, int y);
  void Slider1_Click();
  void mnuALL_Click();
  void mnuCLEAR_Click();
  void mnuREV_Click();
  void mnuADD_Click();
  void mnuDEL_Click();
  void mnuUNDO_Click();
  void mnuEND_Click();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;

  // What the tests read.
  int edge() const { return Edge; }
  const std::vector<std::uint8_t>& grid() const { return Grid; }
  const PaletteEntry& referenceColour() const { return ReferenceColour; }
  PictureBox* Picture1 = nullptr;
  // The working picture without the hover box, and the unmasked picture the cell colours come from.
  Surface Picture2{1, 1};
  Surface Picture3{1, 1};
  QSlider* Slider1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;

 private:
  void buildControls();
  void buildMenus();
  void DrawMaskedPicture();
  // Fills a cell's square of the working picture with what it shows for its mask value.
  void paintCell(int column, int row, std::uint8_t value);
  // The working picture with the hover box round a cell.
  void showHover(int column, int row);
  PaletteEntry cellColour(int column, int row) const;
  // Runs a whole-grid command with its undo copy, then shows the result.
  void command(const std::function<void()>& change);
  int clampCell(int v) const;

  SharedState& S;
  int Edge = 64;
  std::vector<std::uint8_t> Grid;
  std::vector<std::uint8_t> UndoGrid;
  // The icon's pixels as they were at activation.
  std::vector<std::uint8_t> Pixels;
  PaletteEntry ReferenceColour{};
  int ColourRange = 0;
  int HoverColumn = 0;
  int HoverRow = 0;
  bool PaintingTransparent = false;
  bool PaintingOpaque = false;

  QMenu* mnuM = nullptr;
};

}  // namespace pf
