#include "SpectrumPng.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "generation/core/SpectrumPicture.h"
#include "platform/AtomicFile.h"

namespace tsly::cli {

namespace {

// The painter needs a GUI application for its fonts; tsly has no window, so
// the offscreen platform serves (no display needed).
// Qt's own notes about the session (no runtime folder and the like) are not the
// user's business on a command line; its critical messages still go to stderr.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void ensureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return;
  qInstallMessageHandler(quietQtMessages);
  static int argc = 1;
  static char name[] = "tsly";
  static char* argv[] = {name, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

Qt::Alignment alignmentOf(const PictureLabel& l) {
  Qt::Alignment a;
  switch (l.horizontal) {
    case PictureLabel::Align::Start: a |= Qt::AlignLeft; break;
    case PictureLabel::Align::Centre: a |= Qt::AlignHCenter; break;
    case PictureLabel::Align::End: a |= Qt::AlignRight; break;
  }
  switch (l.vertical) {
    case PictureLabel::Align::Start: a |= Qt::AlignTop; break;
    case PictureLabel::Align::Centre: a |= Qt::AlignVCenter; break;
    case PictureLabel::Align::End: a |= Qt::AlignBottom; break;
  }
  return a;
}

}  // namespace

std::string writeSpectrumPng(const Spectrum& s, const std::string& title, const std::string& path) {
  ensureGuiApplication();
  const SpectrumPicture pic = drawSpectrum(s, title);
  QImage image(pic.width, pic.height, QImage::Format_ARGB32);
  for (int y = 0; y < pic.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < pic.width; ++x) line[x] = pic.at(x, y);
  }
  {
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int box = 400;  // room for any label around its anchor
    for (const PictureLabel& l : pic.labels) {
      int x = l.x, y = l.y;
      if (l.horizontal == PictureLabel::Align::Centre) x -= box / 2;
      if (l.horizontal == PictureLabel::Align::End) x -= box;
      if (l.vertical == PictureLabel::Align::Centre) y -= box / 2;
      if (l.vertical == PictureLabel::Align::End) y -= box;
      painter.drawText(QRect(x, y, box, box), static_cast<int>(alignmentOf(l)), QString::fromStdString(l.text));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return "cannot encode the picture as PNG";
  AtomicFile file;
  if (!file.open(path) || !file.write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !file.commit())
    return file.error();
  return {};
}

}  // namespace tsly::cli
