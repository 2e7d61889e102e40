// The confirmation of a full colour icon read from a file: its pixels, its mask (white where
// transparent) and the two combined (transparent pixels inverted), with the question whether to load it.
// YES puts the icon into the icon window: its size chosen, the arrays, the size slot and the work area.
// The window keeps its own copies of what was read until then.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/form.h"
#include "platform/surface.h"

namespace pf {

struct SharedState;

class Form26 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form26";

  Form26(AppContext& app, QWidget* owner);
  ~Form26() override;

  // Shows an icon of edge IconSize: ICO its pixels (blue, green, red, bottom row first), MSK its mask.
  void ShowIcon(int IconSize, std::span<const std::uint8_t> ICO, std::span<const std::uint8_t> MSK);
  // Unpacks a mask into the grid of the icon's size.
  void GetBit(std::span<const std::uint8_t> MSK);

  void Command1_Click();
  void Command2_Click();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;

  // 0 for 32 x 32, 1 for 64 x 64, 99 for any other size.
  int sizeNum() const { return SizeNum; }
  // Where the three pictures stand in the window.
  QPoint picturePosition(int index) const;

  // The pixels, the mask and the combination, each S x S.
  Surface Picture1{32, 32};
  Surface Picture2{32, 32};
  Surface Picture3{32, 32};
  QLabel* Label1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;

 private:
  int edge() const;
  // Whether what was shown can go into the icon window: a size it knows and arrays of that size.
  bool loadable() const;
  const std::vector<std::uint8_t>& grid() const;
  void DrawMaskPicture();
  void DrawIconPicture();
  void layOut();

  SharedState& S;
  std::vector<std::uint8_t> Pixels;
  std::vector<std::uint8_t> Mask;
  int IconSize = 0;
  int SizeNum = 99;
  std::vector<std::uint8_t> Grid32;
  std::vector<std::uint8_t> Grid64;
};

}  // namespace pf
