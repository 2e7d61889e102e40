// The file browser: the 16-colour icon and bitmap files of a folder, picked by drive and folder. A click
// (or moving the selection with the keyboard) reads the file into the editor's palette and mask and shows
// its picture 1:1; a double click, Enter or Space copies that picture into the editor; Delete removes the
// file from the disk. The folder shown is remembered in the settings. One instance; the main window
// opens it and takes back its menu item when it unloads.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <array>
#include <cstdint>

#include "model/shared_state.h"
#include "platform/form.h"

namespace pf {

class Form16 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form16";
  static constexpr const char* kCaption = "ファイルシステム";
  // Top-left corner of the 32 x 32 preview in client pixels.
  static constexpr int kPreviewLeft = 248;
  static constexpr int kPreviewTop = 10;

  Form16(AppContext& app, QWidget* owner);
  ~Form16() override;

  // The picture of the last file read successfully, in the layout of IconPixels; zero at first.
  const PixelArray& previewPixels() const { return PreviewPixels; }
  // The last file clicked, read or not.
  const QString& browserPath() const { return BrowserPath; }
  // The folder the lists show.
  const QString& folder() const { return Folder; }

  // Shows a folder in both lists, names it in the caption and remembers it (unless `remember` is false:
  // a folder the user did not choose). False, with nothing changed, for a path that is no readable folder.
  bool ChangeFolder(const QString& path, bool remember = true);

  void Drive1_Change(int index);
  // Enters the folder of a row of the folder list ("..": the parent).
  void Dir1_DblClick(int row);
  // Reads the selected file for the preview.
  void File1_Click();
  // Copies the preview into the editor.
  void File1_DblClick();
  // 13 and 32 load, 46 deletes the selected file.
  void File1_KeyDown(int keyCode);
  void mnuEND_Click();

  void Form_Load() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void FillDrives();
  void SelectDriveOf(const QString& path);
  // Lists the files of Folder matching the pattern; nothing is selected afterwards.
  void ShowFiles();
  void DeleteSelectedFile();
  void PaintPreview();
  int selectedRow() const;
  QString pathOfRow(int row) const;

  PixelArray PreviewPixels{};
  QString BrowserPath;
  QString Folder;
  // The window's own staging buffer for packed pixels, so a failed read leaves the editor's alone.
  std::array<std::uint8_t, kPackedSize> Packed{};
  // The selected file row when a mouse press began, to tell a click on the selected file from one
  // that selects another.
  int selectedAtPress_ = -1;

  QComboBox* Drive1 = nullptr;
  QListWidget* Dir1 = nullptr;
  QListWidget* File1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QAction* mnuEND = nullptr;
};

}  // namespace pf
