// The printer dialog: the user chooses the printer and its settings. The
// picture output shows it for its printer, starting from the orientation it
// holds; tests use doubles that answer as told.
#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QString>

class QWidget;

namespace tsly {

class PrinterDialog {
 public:
  enum class Status { Accepted, Cancelled, Failed };
  struct Result {
    Status status = Status::Cancelled;
    // The orientation the dialog holds after this use, confirmed or not.
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QString error;  // description when Failed
  };
  virtual ~PrinterDialog() = default;
  virtual Result run(QPrinter& printer, QPageLayout::Orientation held, QWidget* parent) = 0;
};

// Qt's print dialog under the given window title. Cancel applies nothing, so
// the held orientation stays; a confirmed choice of a printer that is not
// available is a failure.
class QtPrinterDialog : public PrinterDialog {
 public:
  explicit QtPrinterDialog(QString title) : title_(std::move(title)) {}
  Result run(QPrinter& printer, QPageLayout::Orientation held, QWidget* parent) override;

 private:
  QString title_;
};

}  // namespace tsly
