// The narrow face of the main editor window that every other window may use: repaint after a change to
// the shared picture, the selected palette number, the caret, the file shown, the File-menu lock,
// closing the other windows, and what the window layouts need of it (where it stands, whether it shows,
// which windows are open). Windows reach it through AppContext::editor(), never through the main
// window's own class.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

namespace pf {

class AppContext;
class Form;

class EditorLink {
 public:
  virtual ~EditorLink() = default;

  // Repaints grid, previews and palette panel, storing an undo record when the pixels changed.
  virtual void DoShow() = 0;
  // The palette entry selected in the palette panel, 0..15.
  virtual int selectedPaletteNumber() const = 0;
  // The caret's position in client pixels.
  virtual int caretX() const = 0;
  virtual int caretY() const = 0;
  // The file the editor shows; empty after New or a failed read.
  virtual const QString& fileName() const = 0;
  // Opens a file as a drop on the editor would.
  virtual void AutoFileOpen(const QString& name) = 0;
  // Unloads every window whose caption does not contain "Pictoforge".
  virtual void AllClose() = 0;
  // The full colour windows hide the editor while they are in use and show it again when they close.
  virtual void setEditorVisible(bool visible) = 0;
  virtual bool editorVisible() const = 0;
  // Where the window stands on the desktop, frame included, in pixels; and moving it there.
  virtual QRect editorFrame() const = 0;
  virtual void moveEditor(const QPoint& topLeft) = 0;
  // Brings the editor forward and gives it the keyboard.
  virtual void activateEditor() = 0;
  // Shows the editor if it is hidden and brings it forward: a file handed over from outside is seen.
  virtual void showHandedOver() = 0;
  // Closes the editor, which ends the program.
  virtual void closeEditor() = 0;
  // Before the program ends on the user's word: asks when work would be lost; true to go on.
  virtual bool confirmEnd() { return true; }
  // The windows open beside the editor and the screen setting window, in the order they were opened:
  // `nFM` of them; for window i (from 1) its form name at FMData[3(i-1)], its top and left in twips at
  // the two places after it, and the window at ThisForm[i] (ThisForm[0] is empty). Returns 0.
  virtual int GetWIndowData(int& nFM, QStringList& FMData, std::vector<Form*>& ThisForm) const = 0;
  // Opens the screen setting window, where window layouts are saved and loaded.
  virtual void mnuSaveWindow_Click() = 0;

  // Windows that change the picture wholesale disable the File menu while they are open. Each holds the
  // lock from load to unload; the menu comes back when the last holder lets go.
  void holdFileMenu() {
    if (fileMenuHolders_++ == 0) setFileMenuEnabled(false);
  }
  void releaseFileMenu() {
    if (fileMenuHolders_ > 0 && --fileMenuHolders_ == 0) setFileMenuEnabled(true);
  }
  int fileMenuHolders() const { return fileMenuHolders_; }

 protected:
  virtual void setFileMenuEnabled(bool enabled) = 0;

 private:
  int fileMenuHolders_ = 0;
};

// The palette entry selected in the editor, 0..15 (0 while there is no editor).
int SelectedPaletteEntry(const AppContext& app);

}  // namespace pf
