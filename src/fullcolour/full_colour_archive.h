// The two archives the full colour window opens. Form21 keeps twenty 16-colour pictures like the editor's
// archive, but sends the chosen one to the full colour window as its composition image. Form23 keeps
// twenty full colour pictures: the cells painted on its own surface are the store, and its .w24 work
// file is a dump of their pixels.
#pragma once

#include <QPoint>

#include "archive/archive_window.h"
#include "archive/work_archive.h"
#include "model/full_colour_work_files.h"

namespace pf {

class AppContext;
class Surface;

// Puts the 32 x 32 square at `cell` of `from` into the full colour window as its composition image, its
// blended preview and the scratch copy the stamping reads, at full alpha. Nothing without that window.
void SendToFullColourWindow(AppContext& app, const Surface& from, QPoint cell);

class Form21 final : public Archive16 {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form21";

  Form21(AppContext& app, QWidget* owner);

  void mnuTRANS_Click() override;
};

class Form23 final : public ArchiveWindow {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form23";
  // The top-left corner of the full colour window's work area for a 32 x 32 icon.
  static constexpr QPoint kWorkArea32{350, 50};

  Form23(AppContext& app, QWidget* owner);

  void mnuGET_Click() override;
  void mnuTRANS_Click() override;
  void DrawAllSlots() override;

 protected:
  void clearSlots() override;
  std::vector<std::uint8_t> workFileBytes() const override;
  std::size_t workFileSize() const override { return kFullColourWorkFileSize; }
  void loadWorkFileBytes(std::span<const std::uint8_t> bytes) override;
};

}  // namespace pf
