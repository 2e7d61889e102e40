// The main editor window: the icon as a 32 x 32 grid of hexadecimal palette numbers, the previews, the
// palette panel, the status bar and the menus. Tool windows read its public members and call DoShow
// after they change the picture.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "model/icon_directory.h"
#include "model/image_ops.h"
#include "model/palette_set.h"
#include "model/shared_state.h"
#include "platform/drawing.h"
#include "platform/editor_link.h"
#include "platform/form.h"
#include "platform/message_channel.h"
#include "platform/press_label.h"

namespace pf {

// The digit the grid shows for a palette index: "0" .. "9", "A" .. "F".
inline QString HexDigit(int v) {
  return QString::number(v & 0x0F, 16).toUpper();
}

// Holds one status bar panel in the bar's layout and stands for it there: a new text lays the bar out
// again only when it changes what the panel asks of the layout, not on every caret move.
class StatusPanelHolder final : public QWidget {
  Q_OBJECT
 public:
  StatusPanelHolder(QLabel* panel, QWidget* parent);
  // The panel's own hints. hint_ and minimumHint_ are what the layout was last told; it is asked to look
  // again only when the panel's hints differ from them.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void relayoutIfHintsChanged();

  QLabel* panel_;
  mutable QSize hint_;
  mutable QSize minimumHint_;
};

class IC final : public Form, public CaretWindow, public EditorLink {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "IC";
  static constexpr int kGridTop = 57;
  static constexpr int kCaretMaxX = 248;
  static constexpr int kCaretMaxY = 553;
  static constexpr ColorRef kCanvasBackColour = Rgb(53, 33, 16);

  IC(AppContext& app, QWidget* owner);
  ~IC() override;

  // Public members other windows use.
  int SelectPalNum = 0;
  QString FileName;
  bool Opaque = false;
  bool KeepMask = false;

  // What other windows see of the editor.
  void DoShow() override;
  int selectedPaletteNumber() const override;
  int caretX() const override { return CX; }
  int caretY() const override { return CY; }
  const QString& fileName() const override { return FileName; }
  void AutoFileOpen(const QString& name) override;
  void AllClose() override;
  void setEditorVisible(bool visible) override { setVisible(visible); }
  bool editorVisible() const override { return isVisible(); }
  QRect editorFrame() const override { return frameGeometry(); }
  void moveEditor(const QPoint& topLeft) override { move(topLeft); }
  void activateEditor() override;
  // Shows the editor, hidden or not, and brings it forward: a file handed over from outside is seen.
  void showHandedOver() override;
  void closeEditor() override { unload(); }
  // When the picture or an archive holds unsaved changes, asks whether to end all the same; true when
  // there is nothing unsaved or the answer is はい.
  bool confirmEnd() override;
  // What a clean end would lose: "アイコン" when the picture changed since it was last opened, saved or
  // made new, then the name of every archive holding unsaved slots.
  QStringList unsavedWork() const;
  bool pictureUnsaved() const;
  int GetWIndowData(int& nFM, QStringList& FMData, std::vector<Form*>& ThisForm) const override;
  void mnuSaveWindow_Click() override;

  // mode 0 plain, 1 also keeps a clean copy of the 5x preview, 2 first reloads the default palette.
  void RedisplayAll(int mode);
  void MoveCaret(int x, int y);
  void SetPixelAtCaret();
  void DrawPalettePanel();
  void ShowSelectedColour(int n);
  void LoadDefaultPalette();
  // Shows a picture, palette and undo history just put back from the recovery journal.
  void ShowRestoredWork();

  // Processes the last message the hook recorded.
  void GetICOFromIFM();
  // While held, files handed over through the channel wait; letting go opens them in the order they came.
  void holdHandedFiles(bool hold);
  // False when the name is no readable exchange file (nothing changes then).
  bool LoadExchangeFile();
  // The name the message protocol last completed, or that a sender left when it went.
  const QString& receivedFileName() const { return ReceivedFileName; }
  bool isListening() const;

  // Menu commands.
  void mnuOpen_Click();
  void mnuSAVE_Click();
  void mnuFBSAVE_Click();
  void mnuHexLoad_Click();
  void mnuHexIcon_Click();
  // PNGファイルとして保存: the 32 x 32 picture, or the lower-left 16 x 16 quarter for edge 16.
  void mnuPNG_Click(int edge);
  void mnuNEW_Click();
  void mnuNew16_Click();
  void mnuBTP_Click();
  void mnuBCS_Click();
  void mnuBCLS_Click();
  void mnuBSUP_Click();
  void mnuBSR_Click();
  void mnuBSD_Click();
  void mnuBSL_Click();
  void mnuH_Click();
  void mnuBPC_Click();
  void mnuBChange_Click();
  void mnuBPA_Click();
  void mnuBENZ_Click();
  void mnuBMouse_Click();
  void mnuBLine_Click();
  void mnuBCHK_Click();
  void mnuBREP_Click();
  void mnuMouseDrae_Click();
  void mnuBMIX_Click();
  void mnuBMSK_Click();
  void mnuFList_Click();
  void mnuHKN_Click();
  void mnuFullColIcon_Click();
  void mnuBBITMAP_Click();
  void mnuCHLDCLOSE_Click();
  void mnuManual_Click();
  void mnuVersion_Click();
  void mnuEND_Click();
  // The picture to and from the clipboard, as an image and as the grid's text (Ctrl+C, Ctrl+V).
  void mnuBCopy_Click();
  void mnuBPaste_Click();
  // Ctrl+F: the region of equal pixels around the caret becomes the selected palette number.
  void fillAtCaret();

  // The back (0) and forward (1) labels.
  void Label1_MouseDown(int index);
  void Label1_MouseUp(int index);
  // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z press the back and forward labels.
  void addHistoryKeys();
  void Timer1_Timer();

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;
  void Form_MouseDown(int button, int shift, int x, int y) override;
  void Form_KeyDown(int keyCode, int shift) override;
  bool acceptsDrops() const override { return true; }
  void Form_OLEDragDrop(const QStringList& files) override;

  // State tests and tool windows look at.
  int curColumn() const { return CurColumn; }
  int curRow() const { return CurRow; }
  int curPixelIndex() const { return CurPixelIndex; }
  bool editActive() const { return EditActive; }
  bool skipHistoryOnce() const { return SkipHistoryOnce; }
  void setSkipHistoryOnce(bool skip) { SkipHistoryOnce = skip; }
  QString statusPanel(int panel) const;  // 1..3
  QAction* menuAction(const QString& name) const;
  bool fileMenuEnabled() const;
  QMenu* menu(const QString& name) const;
  const CaretColours& caretColours() const { return Colours; }
  // Redisplays draw every cell anew instead of only those that changed (the reference the shorter way
  // is checked against).
  void setRedrawWhole(bool whole) { redrawWhole_ = whole; }
  void stopBlinking() { Timer1.stop(); }

 protected:
  void setFileMenuEnabled(bool enabled) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildControls();
  void setStatusPanel(int panel, const QString& text);
  void updateHistoryLabel();
  void drawBanner();
  void newIcon(const QString& statusText, int caretY);
  void shiftPicture(ShiftDirection direction);
  // コピー and 貼り付け at the end of the Draw menu, and the fill key.
  void addClipboardItems(QMenu* draw);
  // Tells the open tool windows that another palette entry was selected.
  void notifyPaletteSelection();
  void palettePick(int x, int y);
  // The keys that open tool windows: G, L, M, P, V and W.
  void openToolByKey(int keyCode);
  // While the shift window is open it learns of every mouse press on the main window.
  void forwardMouseToShiftWindow(int button, int x, int y);
  // Open, drop and AutoFileOpen share these steps.
  void openFileName();
  // A PNG or GIF of at most 32 x 32 and 16 colours, taken exactly.
  void openSmallPicture();
  // Shows a file dialog that starts in the folder remembered under `key`; empty on Cancel.
  // The open dialog in the folder remembered under `key`; "" on Cancel.
  QString askFileName(const QString& key, const QString& filter);
  // The save dialog there: the name that will be written, with `extension`, asked about when it exists.
  // An icon save (`kind` given) says in its overwrite question which other images of the file it keeps.
  QString askSaveName(const QString& key, const QString& filter, const QString& extension,
                      std::optional<IconImageKind> kind = std::nullopt);
  void rememberFolder(const QString& key, const QString& path);
  // What every open ends with: the caret on the first cell, the palette panel and the file's name shown.
  void afterLoad();
  // What decides whether the picture has unsaved changes: what a save writes and what was opened.
  struct SavedPicture {
    std::array<std::uint8_t, kPixelCount> pixels{};
    Palette palette{};
    MaskGridArray maskGrid{};
    int transparentIndex = 0;
    bool opaque = false;
    bool keepMask = false;
    friend bool operator==(const SavedPicture&, const SavedPicture&) = default;
  };
  SavedPicture currentPicture() const;
  // The picture on screen is what was just opened, saved or made new.
  void noteSaved();
  // The grid cells and preview pixels of the picture, drawn on the memory canvas and the 5x preview:
  // all of them, or only those whose value or colour differs from what was drawn last.
  void drawAllCells(const std::array<ColorRef, 16>& colours);
  void drawChangedCells(const std::array<ColorRef, 16>& colours, std::vector<int>& changed);
  // Cell (x, y) of the grid, counted from the top, showing palette number v.
  void drawCell(int x, int y, int v, const std::array<ColorRef, 16>& colours);
  // Notes a cell of the window's grid that the caret drew on, which the next redisplay puts back.
  void noteCaretCell(int x, int y, const QString& text);
  void InstallMessageHook();
  void RemoveMessageHook();
  void MessageHookProc(const ChannelMessage& message);
  // Opens the file the channel named, a picture file or an exchange file, and shows the editor.
  // Opens the file handed over as ReceivedFileName and tells its sender whether it opened.
  void takeHandedFile(int kind, MessageChannel::ConnectionId sender);

  SharedState& S;
  QString BitmapFileName;
  QString ReceivedFileName;
  ChannelMessage lastMessage_;
  // The sender of lastMessage_; each sender builds its own name.
  MessageChannel::ConnectionId lastSender_ = 0;
  std::map<MessageChannel::ConnectionId, QString> namesBeingSent_;
  std::unique_ptr<MessageChannel> channel_;
  // Counts the pictures opened: tells whether an open took.
  std::uint64_t picturesOpened_ = 0;
  struct HeldFile {
    int kind = 0;
    QString name;
    MessageChannel::ConnectionId sender = 0;
  };
  bool holdingHandedFiles_ = false;
  std::vector<HeldFile> heldHandedFiles_;
  int CurColumn = 0;
  int CurRow = 0;
  int CurPixelIndex = 31 * 32;
  int TypedValue = 0;
  bool EditActive = false;
  bool SkipHistoryOnce = false;
  PackedArray PackedPixels{};
  int MixWindowCount = 0;
  // The picture is a 16 x 16 icon (new, loaded as one or handed over as one): copying takes its quarter.
  bool Icon16 = false;
  std::unique_ptr<Surface> CanvasBuffer;
  std::unique_ptr<Surface> ZoomBuffer;
  CaretColours Colours;
  QFont CanvasFont;
  // What the memory canvas shows: the value of every pixel and the palette's colours when drawn. Valid
  // once the whole grid has been drawn; a digit whose ink stays inside its cell can then be redrawn alone.
  std::array<std::uint8_t, kPixelCount> shownValues_{};
  std::array<ColorRef, 16> shownColours_{};
  bool shownValid_ = false;
  bool cellsApart_ = false;
  bool redrawWhole_ = false;
  // Window cells the caret has drawn on since the grid was last copied to the window.
  std::vector<QRect> caretCells_;
  // The picture as last opened, saved or made new; nothing for work that came back after a crash.
  std::optional<SavedPicture> savedPicture_;

  QTimer Timer1;
  std::array<PressLabel*, 2> Label1{};
  QString label1SavedStyle_;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 3> statusPanels_{};
};

}  // namespace pf
