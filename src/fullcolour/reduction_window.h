// The reduction window: a 32 x 32 full colour square, cut out of a photo by the photo reduction window,
// reduced to a 16-colour palette and mapped onto it, shown enlarged, and handed to the editor; the square
// itself can be saved as a full colour icon.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/colour.h"
#include "model/colour_reduction.h"
#include "platform/form.h"

namespace pf {

class Form13 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form13";
  // Where the photo reduction window puts the square: enlarged five times at (0, 0), and 1:1 here.
  static constexpr int kSourceLeft = 0;
  static constexpr int kSourceTop = 180;
  // Where the reduced square is painted 1:1, and enlarged five times.
  static constexpr int kReducedTop = 220;
  static constexpr int kEnlargedTop = 300;
  static constexpr int kEnlargedEdge = 160;

  Form13(AppContext& app, QWidget* owner);
  ~Form13() override;

  // Forgets the histograms, levels and palette of the last reduction.
  void Init();

  void Form_Load() override;
  void Form_Unload() override;

  void mnuCOL16_Click();
  void mnuDo_Click();
  void mnuFULLCOLOR_Click();
  void mnuHexFul_Click();

  // The source square as the model takes it: y from the top.
  ColourSquare readSourcePixels() const;
  // The source square as a full colour pixel array: blue, green, red, bottom row first.
  std::vector<std::uint8_t> readSaveBuffer() const;

  QLineEdit* Text1 = nullptr;
  QLabel* Label3 = nullptr;
  // Element 0 is the hidden template; 1..16 show the palette: the index on the entry's colour, and its
  // red, green and blue.
  std::array<QLabel*, 17> Label1{};
  std::array<QLabel*, 17> Label2{};

  ChannelHistograms Histograms{};
  ChannelLevels Levels{};
  Palette ReducedPalette{};
  // Nothing until the first reduction, so a transfer before it has nothing to give.
  std::optional<ReducedIndices> Result;

 private:
  void showPalette(const PaletteChoice& choice);
  void paintResult(const ReducedIndices& indices);
  void saveFullColour(const char* key, const QString& title, bool sixteen);
};

}  // namespace pf
