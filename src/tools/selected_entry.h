// The "パレット番号" row of the painting windows: the number of the entry selected in the main window
// and a swatch of its colour.
#pragma once

#include <QLabel>
#include <QLineEdit>

namespace pf {

class AppContext;

struct SelectedEntryRow {
  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label2 = nullptr;  // the swatch
};

// Builds the row across the top of a window's client area.
SelectedEntryRow BuildSelectedEntryRow(QWidget* area);
// Shows the entry selected in the main window.
void ShowSelectedEntry(const SelectedEntryRow& row, AppContext& app);

}  // namespace pf
