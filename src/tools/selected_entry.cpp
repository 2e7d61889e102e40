#include "tools/selected_entry.h"

#include "platform/app_context.h"
#include "platform/swatch.h"

namespace pf {

SelectedEntryRow BuildSelectedEntryRow(QWidget* area) {
  SelectedEntryRow row;
  row.Label1 = new QLabel(QStringLiteral("パレット番号"), area);
  row.Label1->setObjectName(QStringLiteral("Label1"));
  row.Label1->setGeometry(10, 10, 90, 22);

  row.Text1 = new QLineEdit(area);
  row.Text1->setObjectName(QStringLiteral("Text1"));
  row.Text1->setGeometry(104, 10, 40, 22);

  row.Label2 = new QLabel(area);
  row.Label2->setObjectName(QStringLiteral("Label2"));
  row.Label2->setFrameShape(QFrame::Box);
  row.Label2->setGeometry(152, 10, 46, 22);
  return row;
}

void ShowSelectedEntry(const SelectedEntryRow& row, AppContext& app) {
  const int n = SelectedPaletteEntry(app);
  row.Text1->setText(QString::number(n));
  SetSwatchColour(row.Label2, EntryColour(app.state.IconPalette[static_cast<std::size_t>(n)]));
}

}  // namespace pf
