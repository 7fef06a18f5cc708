// Picture output of the main window: "Save BMP" (filebmp), "&Print" (fileprint)
// and "Print Setup" (fileprtsetup). All three work on the canvas's persistent
// image (Picture1), which the redraw keeps when the graphics-save flag is on.
//
// The printer and its orientation live here for the whole run: Print Setup
// changes them, Print uses them. Where no printer is installed, Print writes
// the page to a PDF file (see pdfPathFor) and reports the path on the status line.
//
// Every box goes through the Ui interface. The printer dialog, the overwrite
// prompt, the printer check and the PDF location are injectable for tests.
#pragma once

#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "qt/PrinterDialog.h"
#include "shared/OutputCheck.h"
#include "shared/State.h"

class QWidget;

namespace tsly::output {

// The overwrite prompt of the file utilities: (name, mode changed in place) ->
// 1 to go ahead, 0 to stop.
using ConfirmTargetFn = std::function<std::int16_t(const std::string& name, std::int16_t& mode)>;

// The name Save BMP writes: the chosen name trimmed of outer blanks, ".bmp"
// added when the file name has no extension, and the file name itself (not its
// folders) in upper case. "/home/ana/ my panel.bmp " -> "/home/ana/MY PANEL.BMP".
// Empty when no file name is left.
QString bmpTargetPath(const QString& chosen);

// Writes `image` as a standard BMP file at its own size, whole or not at all
// (platform/AtomicFile.h: never over a folder, FIFO or device). On failure
// returns false and sets `reason`.
bool writeBmp(const QImage& image, const QString& path, QString* reason);

struct PictureOutputOptions {
  // The shared state: the open data file and the start directory decide
  // where a PDF page goes.
  const AppState* state = nullptr;
  // Whether any printer is installed (default: QPrinterInfo::availablePrinters()).
  std::function<bool()> printersInstalled;
  // The PDF file a page goes to when no printer is installed
  // (default: pdfOutputPath beside the data file / start directory).
  std::function<QString()> pdfPath;
  // The data files the program has open (never written over; Save BMP does not
  // propose their names).
  std::function<std::vector<NamedFile>()> dataFiles;
  // Shows a line on the main window's status label.
  std::function<void(const QString&)> status;
  // Resolution of a PDF page in dots per inch: one canvas pixel per dot, so a
  // page shows the panels at their screen size. 0: the window's logical DPI.
  int pdfDpi = 0;
};

class PictureOutput {
 public:
  PictureOutput(Ui& ui, QWidget* window, ConfirmTargetFn confirm,
                std::unique_ptr<PrinterDialog> dialog = nullptr, PictureOutputOptions options = {});
  ~PictureOutput();

  // Save BMP. `persistentImage` is null when the canvas keeps no persistent
  // image (graphics-save flag off at the last redraw). `dialogName` is the file
  // name held by the main window's common dialog; it is updated by this use.
  void saveBmp(const QImage* persistentImage, std::string& dialogName);
  // Print: the canvas image on one page, one printer pixel per canvas pixel.
  void print(const QImage& image);
  // Print Setup.
  void printSetup();

  QPrinter& printer() { return *printer_; }
  QPageLayout::Orientation heldOrientation() const { return held_; }
  // The PDF file of the last page printed to a file ("" if none).
  QString lastPdf() const { return lastPdf_; }

 private:
  bool printTo(QPrinter& target, const QImage& image, QString* reason);

  Ui& ui_;
  QWidget* window_;
  ConfirmTargetFn confirm_;
  std::unique_ptr<PrinterDialog> dialog_;
  PictureOutputOptions options_;
  std::unique_ptr<QPrinter> printer_;
  QPageLayout::Orientation held_;
  QString lastPdf_;
};

}  // namespace tsly::output
