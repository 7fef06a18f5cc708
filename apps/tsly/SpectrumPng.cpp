#include "SpectrumPng.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include "PngOutput.h"
#include "spectrum/core/SpectrumPicture.h"
#include "qt/PngFile.h"

namespace tsly::cli {

namespace {

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
  return writePngFile(image, path);
}

}  // namespace tsly::cli
