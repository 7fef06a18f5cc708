#include "output/PictureOutput.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPrinterInfo>
#include <QBuffer>
#include <QWidget>

#include "output/core/OutputCore.h"
#include "output/core/OutputTexts.h"
#include "platform/AtomicFile.h"
#include "shared/FileTexts.h"
#include "shared/FileUtil.h"
#include "shared/Texts.h"

namespace tsly::output {

namespace {

std::string str(const QString& s) { return s.toStdString(); }

bool folderWritable(const std::string& dir) {
  const QFileInfo info(QString::fromStdString(dir));
  return info.isDir() && info.isWritable();
}

}  // namespace

QString bmpTargetPath(const QString& chosen) {
  const QString whole = chosen.trimmed();
  const qsizetype slash = whole.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash >= 0 ? whole.left(slash + 1) : QString();
  QString name = (slash >= 0 ? whole.mid(slash + 1) : whole).trimmed();
  // The dialog adds the default extension after whatever was typed, blanks
  // included (" my panel " comes back as " my panel .bmp"): blanks around the
  // name before its extension go too.
  // A name that is nothing but an extension (blanks typed) is no name.
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) {
    const QString stem = name.left(dot).trimmed();
    if (stem.isEmpty()) return {};
    name = stem + QLatin1Char('.') + name.mid(dot + 1).trimmed();
  }
  if (name.isEmpty()) return {};
  // A name that comes back without an extension (a dialog of the desktop, or
  // "All Files" chosen) gets the default one here.
  if (dot < 0) name += QLatin1String(".") + QLatin1String(BmpDefaultExt);
  return folder + name.toUpper();
}

bool writeBmp(const QImage& image, const QString& path, QString* reason) {
  if (image.isNull()) {
    if (reason) *reason = QString::fromUtf8(EmptyPictureReason);
    return false;
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "bmp");
  if (!writer.write(image)) {
    if (reason) *reason = writer.errorString();
    return false;
  }
  AtomicFile file;
  if (file.open(path.toStdString()) && file.write(bytes.constData(), static_cast<std::size_t>(bytes.size())))
    file.commit();
  if (file.ok()) return true;
  if (reason) *reason = QString::fromStdString(file.reason());
  return false;
}

PictureOutput::PictureOutput(Ui& ui, QWidget* window, ConfirmTargetFn confirm,
                             std::unique_ptr<PrinterDialog> dialog, PictureOutputOptions options)
    : ui_(ui),
      window_(window),
      confirm_(std::move(confirm)),
      dialog_(dialog ? std::move(dialog) : std::make_unique<QtPrinterDialog>(QString::fromUtf8(PrinterDialogTitle))),
      options_(std::move(options)),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  // Before any Print Setup the common dialog holds the printer's default.
  held_ = printer_->pageLayout().orientation();
  if (!options_.printersInstalled)
    options_.printersInstalled = [] { return !QPrinterInfo::availablePrinters().isEmpty(); };
  if (!options_.pdfPath) {
    const AppState* state = options_.state;
    options_.pdfPath = [state] {
      const std::string stamp =
          str(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
      const std::string start =
          state && !state->StartDirectory.empty() ? state->StartDirectory : str(QDir::currentPath());
      const std::string path = pdfOutputPath(
          state ? state->DataFileName : std::string(), start, stamp,
          [](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); },
          folderWritable);
      return QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    };
  }
}

PictureOutput::~PictureOutput() = default;

void PictureOutput::saveBmp(const QImage* persistentImage, std::string& dialogName) {
  if (!persistentImage) {
    ui_.message(bmpNoImageText(), BmpNoImageTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  FileDialogRequest request;
  request.title = BmpDialogTitle;
  request.filter = BmpFilter;
  request.filterIndex = 1;
  request.defaultExt = BmpDefaultExt;
  // The name left by the last use of the dialog, unless it names a data file.
  const std::vector<NamedFile> inUse = options_.dataFiles ? options_.dataFiles() : std::vector<NamedFile>();
  request.fileName = bmpProposal(dialogName, inUse);
  const FileDialogResult chosen = askFileName(ui_, FileDialogKind::Save, request);
  if (chosen.status != FileDialogResult::Status::Chosen) return;
  dialogName = chosen.path;
  if (chosen.path.empty()) return;
  const QString target = bmpTargetPath(QString::fromStdString(chosen.path));
  if (target.isEmpty()) return;
  // Never over a data file nor anything but a file: refused before any question.
  if (const OutputCheck c = checkOutputFile(str(target), inUse, true); !c.ok()) {
    ui_.message(notWrittenText(c.message), BmpDialogErrorTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }

  std::int16_t mode = 1;
  if (!confirm_ || confirm_(str(target), mode) == 0) return;

  QString reason;
  if (!writeBmp(*persistentImage, target, &reason))
    ui_.message(bmpWriteFailedText(str(target), str(reason)), BmpDialogErrorTitle, Buttons::Ok,
                Icon::Exclamation);
}

bool PictureOutput::printTo(QPrinter& target, const QImage& image, QString* reason) {
  QPainter painter;
  if (!painter.begin(&target)) {
    *reason = QString::fromStdString(target.outputFormat() == QPrinter::PdfFormat
                                         ? pdfNotCreatedReason(str(target.outputFileName()))
                                         : printerRefusedReason(str(target.printerName())));
    return false;
  }
  // Wiggles and lines stay sharp: no lossy (JPEG) image compression in the job.
  painter.setRenderHint(QPainter::LosslessImageRendering);
  // One printer pixel per canvas pixel, from the page's top-left corner.
  if (!image.isNull()) painter.drawImage(QPoint(0, 0), image);
  if (!painter.end()) {
    *reason = QString::fromUtf8(PrintIncompleteReason);
    return false;
  }
  return true;
}

void PictureOutput::print(const QImage& image) {
  ui_.setBusyCursor(true);
  printer_->setPageOrientation(held_);

  const QString chosenFile =
      printer_->outputFormat() == QPrinter::PdfFormat ? printer_->outputFileName() : QString();
  const int dpi = options_.pdfDpi > 0 ? options_.pdfDpi : (window_ ? window_->logicalDpiX() : 96);
  QString reason;
  bool ok = false;
  QString pdf;
  if (chosenFile.isEmpty() && !options_.printersInstalled()) {
    // No printer: the page goes to a PDF file of its own, laid out like the
    // printer's page (size and orientation), without margins.
    pdf = options_.pdfPath();
    QPrinter file(QPrinter::HighResolution);
    file.setOutputFormat(QPrinter::PdfFormat);
    file.setOutputFileName(pdf);
    file.setPageSize(printer_->pageLayout().pageSize());
    file.setPageOrientation(held_);
    file.setPageMargins(QMarginsF(0, 0, 0, 0));
    file.setResolution(dpi);
    file.setDocName(QString::fromUtf8(PdfDocumentName));
    ok = printTo(file, image, &reason);
  } else if (!chosenFile.isEmpty()) {
    // Printing to the file chosen in Print Setup: each page gets a name of its
    // own beside it, so no earlier page (or other file) is replaced.
    pdf = QString::fromStdString(unusedFileName(
        str(chosenFile), [](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); }));
    const OutputCheck c = checkOutputFile(
        str(pdf), options_.dataFiles ? options_.dataFiles() : std::vector<NamedFile>(), true);
    if (!c.ok()) {
      reason = QString::fromStdString(c.message);
    } else {
      printer_->setOutputFileName(pdf);
      printer_->setResolution(dpi);
      ok = printTo(*printer_, image, &reason);
      printer_->setOutputFileName(chosenFile);
    }
  } else {
    ok = printTo(*printer_, image, &reason);
  }
  ui_.setBusyCursor(false);

  if (!ok) {
    ui_.message(printFailedText(str(reason)), PrinterErrorTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  if (pdf.isEmpty()) return;
  lastPdf_ = pdf;
  if (options_.status)
    options_.status(QString::fromStdString(chosenFile.isEmpty() ? pdfStatusText(str(pdf)) : printedToFileText(str(pdf))));
}

void PictureOutput::printSetup() {
  const PrinterDialog::Result r = dialog_->run(*printer_, held_, window_);
  // Confirmed or cancelled, the printer takes the orientation the dialog holds.
  held_ = r.orientation;
  printer_->setPageOrientation(held_);
  if (r.status == PrinterDialog::Status::Failed)
    ui_.message(unexpectedErrorMessage(str(r.error)), PrinterErrorTitle, Buttons::Ok, Icon::None);
}

}  // namespace tsly::output
