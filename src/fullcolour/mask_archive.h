// The mask archive: twenty 32 x 32 AND masks for the full colour mask window, kept in a .msk work file.
// A cell shows a transparent pixel (bit 1) white and an opaque one black. Masks travel only while the
// full colour window works on a 32 x 32 icon; sending copies the slot into the icon's mask or XORs, ORs
// or ANDs it in, as chosen.
#pragma once

#include <QCheckBox>
#include <array>

#include "archive/archive_window.h"
#include "model/composition.h"
#include "model/full_colour_work_files.h"

namespace pf {

class Form24 final : public ArchiveWindow {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form24";
  // Shown when the full colour window is not working on a 32 x 32 icon.
  static const QString kNeeds32;

  Form24(AppContext& app, QWidget* owner);

  const MaskSlots& slotMasks() const { return SlotMasks; }
  ComposeOperation operation() const { return MaskOperation; }

  void mnuGET_Click() override;
  void mnuTRANS_Click() override;
  void DrawAllSlots() override;

  void Form_Load() override;

  std::array<QCheckBox*, 4> Check1{};

 protected:
  void clearSlots() override;
  std::vector<std::uint8_t> workFileBytes() const override;
  std::size_t workFileSize() const override { return kMaskWorkFileSize; }
  void loadWorkFileBytes(std::span<const std::uint8_t> bytes) override;
  int clientWidth() const override { return 310; }

 private:
  void buildControls();
  void paintSlot(int slot);
  // The icon mask the masks are exchanged with, or nullptr after telling the user why there is none.
  std::vector<std::uint8_t>* exchangedMask();

  MaskSlots SlotMasks{};
  ComposeOperation MaskOperation = ComposeOperation::Copy;
};

}  // namespace pf
