#include "qt/PrinterDialog.h"

#include <QPrintDialog>

namespace tsly {

PrinterDialog::Result QtPrinterDialog::run(QPrinter& printer, QPageLayout::Orientation held, QWidget* parent) {
  Result r;
  printer.setPageOrientation(held);
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(title_);
  if (dialog.exec() != QDialog::Accepted) {
    r.status = Status::Cancelled;
    r.orientation = held;
    return r;
  }
  r.orientation = printer.pageLayout().orientation();
  if (!printer.isValid()) {
    r.status = Status::Failed;
    r.error = QStringLiteral("The chosen printer is not available.");
    return r;
  }
  r.status = Status::Accepted;
  return r;
}

}  // namespace tsly
