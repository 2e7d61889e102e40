// The photo window, entry of the full colour mode: a photo shown reduced to fit 480 x 360, a slider for
// the reduction, and dragging over the photo that copies the squares of all four icon sizes under the
// pointer into the full colour icon window's slots, and the chosen size into its work area. It opens the
// full colour icon window with it and closes it again, bringing back the editor.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QString>

#include "platform/form.h"
#include "platform/picture_loader.h"
#include "platform/surface.h"

namespace pf {

class Form20;

class Form18 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form18";
  // The largest picture shown; larger reductions only change the label.
  static constexpr int kShownWidth = 480;
  static constexpr int kShownHeight = 360;

  Form18(AppContext& app, QWidget* owner);

  void Form_Load() override;
  void Form_Unload() override;
  void Form_MouseMove(int buttons, int shift, int x, int y) override;

  // Shows the photo at `ratio` of its size (rounded), and the size in the label.
  void DispPicture(double ratio);
  // Opens a photo and fits it, without a dialog; a photo that cannot be opened leaves the shown one.
  void LoadPicFile(const QString& FileName);

  void mnuOPEN_Click();
  void mnuEND_Click();
  void Slider1_Click();

  // The photo shown; empty before the first one.
  QString FileName;
  double DisplayRatio = 0;
  // The photo's size after orientation.
  int photoWidth() const { return W; }
  int photoHeight() const { return H; }
  const Photo& photo() const { return photo_; }

  QSlider* Slider1 = nullptr;
  QLabel* Label1 = nullptr;
  // The shown picture, drawn on the client at (0, 0); dragging copies from it.
  Surface Picture2{0, 0};

 private:
  void paintPicture(int w, int h);
  // Copies the s x s square of the shown picture centred on (x, y) to the icon window; what lies outside
  // the picture comes out black.
  void copySquare(Form20& target, int s, int x, int y, QPoint to);

  Photo photo_;
  int W = 0;
  int H = 0;
  QPointer<Form20> form20_;
};

}  // namespace pf
