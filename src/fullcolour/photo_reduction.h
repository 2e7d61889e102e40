// The photo reduction window, entry of the 16-colour reduction: a photo shown at 1/20 to 1/1 of its size,
// and dragging over it that copies the 32 x 32 square under the pointer into the reduction window, 1:1
// and enlarged five times. A photo shown larger than the picture area is moved under it with the scroll
// bars or by dragging with the right button. It opens the reduction window with it and closes it through
// its exit command.
#pragma once

#include <QGroupBox>
#include <QPoint>
#include <QPointer>
#include <QScrollBar>
#include <QSlider>
#include <QString>

#include "model/photo_geometry.h"
#include "platform/form.h"
#include "platform/picture_loader.h"
#include "platform/surface.h"

namespace pf {

class Form13;

class Form9 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form9";
  // Dragging copies from this part of the client only; the reduction controls stand to its right.
  static constexpr int kPictureWidth = 640;
  static constexpr int kPictureHeight = 480;
  // The scroll bars along the picture area's right and bottom edges.
  static constexpr int kScrollBarWidth = 16;
  // The square cut out under the pointer, and how far the pointer sits from its left and top edges.
  static constexpr int kSquare = 32;
  static constexpr int kPointerOffset = kReductionPointerOffset;
  static constexpr int kEnlarged = 160;
  // The part of the shown photo held in Picture2, from the scrolled-to point: every square whose pointer
  // lies in the picture area.
  static constexpr int kHeldWidth = kPictureWidth + kSquare - kPointerOffset - 1;
  static constexpr int kHeldHeight = kPictureHeight + kSquare - kPointerOffset - 1;

  Form9(AppContext& app, QWidget* owner);

  void Form_Load() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_MouseMove(int buttons, int shift, int x, int y) override;

  // Shows the photo at `ratio` of its size (rounded), without a size limit.
  void ShowReduced(double ratio);
  // Opens a photo and shows it at 1/20; false, with the shown photo kept, when it cannot be read.
  bool LoadPicFile(const QString& FileName);

  void mnuFile_Click();
  void mnuEND_Click();
  void Slider1_Click();

  // The photo shown; empty before the first one.
  QString FileName;
  int photoWidth() const { return W; }
  int photoHeight() const { return H; }
  // The size the photo is shown at; only the part from scrolledTo() (kHeldWidth x kHeldHeight) is ever
  // made.
  QSize shownSize() const { return shown_; }
  // The point of the shown photo at the picture area's top-left corner.
  QPoint scrolledTo() const { return {HScroll1->value(), VScroll1->value()}; }
  const Photo& photo() const { return photo_; }

  QGroupBox* Frame1 = nullptr;
  QSlider* Slider1 = nullptr;
  QScrollBar* HScroll1 = nullptr;
  QScrollBar* VScroll1 = nullptr;
  // The part from scrolledTo() of the shown picture, drawn on the client at (0, 0); dragging copies from it.
  Surface Picture2{0, 0};

 private:
  // Makes and draws the held part from the scroll bars' point.
  void showHeldPart();
  // Sets the scroll bars for the shown size, keeping `centre` (a point of the photo as a fraction of its
  // size) in the middle of the picture area.
  void setScrollRanges(QPointF centre);

  Photo photo_;
  QSize shown_;
  // Where a right-button drag began, and the point scrolled to then.
  QPoint panFrom_;
  QPoint panStart_;
  int W = 0;
  int H = 0;
  QPointer<Form13> form13_;
};

}  // namespace pf
