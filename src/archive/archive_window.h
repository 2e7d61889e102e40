// What every archive window shares: twenty 32 x 32 cells in two columns with an option button each, the
// numbered caption, the work file loaded at the first activation, the open and save commands, slot
// selection by mouse and option button, double clicks and drops. The 16-colour, full colour and mask
// archives state only what they keep in the cells and how it travels.
#pragma once

#include <QAction>
#include <QMenu>
#include <QRadioButton>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/form.h"

namespace pf {

class ArchiveWindow : public Form {
  Q_OBJECT
 public:
  static constexpr int kSlots = 20;
  static constexpr int kCell = 32;
  static constexpr int kLeftColumnX = 65;
  static constexpr int kRightColumnX = 190;

  // The file the window loads at its first activation; a layout restore may set it before that.
  QString WorkFile;

  // 0 for none, else 1..20.
  int selectedSlot() const { return SelectedSlot; }
  const QString& archiveName() const { return ArchiveName; }
  // The number in the caption.
  int archiveNumber() const { return ArchiveNumber.toInt(); }

  // For the recovery journal: the slots as the work file would hold them, and the file they were last
  // loaded from or saved to (empty when none).
  std::vector<std::uint8_t> slotBytes() const { return workFileBytes(); }
  const QString& lastFile() const { return lastFile_; }
  // Brings back slots kept by the recovery journal. Called after loading and before the first showing:
  // the window takes the number, the work file name and, in place of the file's content, these bytes,
  // and its caption says it is unsaved until it is saved. An open archive of that name that holds
  // nothing unsaved and shows no other file (one a start-up layout opened) gives way and leaves its
  // place to this one; another open window whose caption has the number keeps it.
  void restoreSlots(int number, const QString& workFile, std::vector<std::uint8_t> bytes);
  bool markedUnsaved() const { return markedUnsaved_; }
  // Whether the slots changed since they were read from or saved to their work file (or, with none
  // read, since the window opened blank), or came back from the journal and were not saved since. What
  // a work file holds beyond what the window writes does not count.
  bool holdsUnsavedSlots() const;
  // The top-left window point of a slot's cell, 1..20.
  static QPoint cellOrigin(int slot);

  void mnuNEW_Click();
  void mnuFOPEN_Click();
  void mnuFSAVE_Click();
  void mnuEND_Click();
  // Editor (or full colour window) to the selected slot, and back.
  virtual void mnuGET_Click() = 0;
  virtual void mnuTRANS_Click() = 0;
  // Paints every cell from what the archive holds, then repaints the window.
  virtual void DrawAllSlots() = 0;

  void Form_Load() override;
  void Form_Activate() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_MouseUp(int button, int shift, int x, int y) override;
  void Form_DblClick() override;
  void Form_OLEDragDrop(const QStringList& files) override;

  std::array<QRadioButton*, kSlots + 1> Option1{};

 protected:
  // `captionBase` ends in an ideographic space ("保管庫　"); `extension` is the work file's (".wrk").
  ArchiveWindow(AppContext& app, const QString& formName, QWidget* owner, QString captionBase,
                QString extension);

  // What the kinds of archive differ in.
  virtual void clearSlots() = 0;
  virtual std::vector<std::uint8_t> workFileBytes() const = 0;
  // The length of a work file of this kind; a longer one is read for that many bytes.
  virtual std::size_t workFileSize() const = 0;
  // Takes in a work file's bytes (any length) and paints every cell.
  virtual void loadWorkFileBytes(std::span<const std::uint8_t> bytes) = 0;
  // Whether a missing or unreadable work file also forgets the name.
  virtual bool forgetsMissingWorkFile() const { return false; }
  // A file dropped on a slot, 0..20 (0 when it missed the cells and nothing was selected).
  virtual void dropFile(int /*slot*/, const QString& /*path*/) {}
  // Menus between the image menu and 終了.
  virtual void addOwnMenus() {}
  // Windows with more controls than the cells say how wide they are.
  virtual int clientWidth() const { return 230; }

  // Silent, as at the first showing: a missing or unreadable file loads nothing.
  void LoadWorkFile();
  // The start of a work file as far as its format goes; nothing when it cannot be read.
  std::optional<std::vector<std::uint8_t>> readWorkFile(const QString& path) const;
  // Shows the message unless a slot is selected.
  bool requireSlot(const QString& message);
  int SelectedSlot = 0;
  int LastButton = 0;

  // Both cell columns, exactly the cells' area.
  void paintColumnsBlack();

  static const QString kTakeWhere;
  static const QString kSendWhich;

 private:
  void buildSlotButtons();
  QString workFilter() const;
  void setUnsavedMark(bool unsaved);

  QString captionBase_;
  QString extension_;
  QString SaveFileName;
  QString ArchiveNumber;
  QString ArchiveName;
  QString lastFile_;
  std::optional<std::vector<std::uint8_t>> restoredBytes_;
  // The slots as last read or saved, as the window writes them.
  std::vector<std::uint8_t> savedBytes_;
  bool markedUnsaved_ = false;
};

}  // namespace pf
