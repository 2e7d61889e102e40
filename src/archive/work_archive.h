// The 16-colour archives: twenty 32 x 32 pictures, each with its own palette, kept in a .wrk work file.
// Form10 trades them with the editor (copy, XOR, OR or AND, optionally leaving out one palette number and
// optionally taking the palette along) and with the open composition windows.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <vector>

#include "archive/archive_window.h"
#include "model/composition.h"
#include "model/work_file.h"
#include "platform/index_chooser.h"

namespace pf {

class Form8;

// What the 16-colour archives share: the slots, the work file, taking from the editor and drops.
class Archive16 : public ArchiveWindow {
  Q_OBJECT
 public:
  const ArchiveSlots& archiveSlots() const { return Slots; }
  // Paints the selected slot's cell from its pixels and palette.
  void DrawSlot();
  void DrawAllSlots() override;
  void mnuGET_Click() override;

  bool acceptsDrops() const override { return true; }

 protected:
  Archive16(AppContext& app, const QString& formName, QWidget* owner);

  void clearSlots() override;
  std::vector<std::uint8_t> workFileBytes() const override;
  std::size_t workFileSize() const override { return kWorkFileSize; }
  void loadWorkFileBytes(std::span<const std::uint8_t> bytes) override;
  void dropFile(int slot, const QString& path) override;

  ArchiveSlot& selected() { return Slots[static_cast<std::size_t>(SelectedSlot)]; }

  ArchiveSlots Slots{};

 private:
  void paintSlot(int slot);
};

class Form10 final : public Archive16 {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form10";

  Form10(AppContext& app, QWidget* owner);

  ComposeOperation operation() const { return ArchiveOperation; }
  int transparentIndex() const { return ArchiveTransparentIndex; }

  void mnuTRANS_Click() override;
  void mnuMGET_Click();
  void mnuMSEND_Click();
  void List2_Click(int row);
  // Lists the open composition windows; the first is chosen.
  void RefreshMixWindows();

  void Form_Load() override;
  void Form_Activate() override;

  std::array<QCheckBox*, 4> Check1{};
  QCheckBox* Check2 = nullptr;
  QCheckBox* Check3 = nullptr;
  IndexChooser* List2 = nullptr;
  QLabel* Label1 = nullptr;
  QListWidget* List1 = nullptr;

 protected:
  bool forgetsMissingWorkFile() const override { return true; }
  void addOwnMenus() override;
  int clientWidth() const override { return 370; }

 private:
  void buildControls();
  // The composition window chosen in List1, or nullptr after telling the user to choose one.
  Form8* chosenMixWindow();

  ComposeOperation ArchiveOperation = ComposeOperation::Copy;
  int ArchiveTransparentIndex = 0;
  std::vector<QPointer<Form8>> MixWindows;
  bool TransferBusy = false;
};

}  // namespace pf
