#include "spectrum/SpectrumPictureWidget.h"

#include <QPainter>

namespace tsly {

SpectrumPictureWidget::SpectrumPictureWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("spectrumPicture"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void SpectrumPictureWidget::setImage(const QImage& image) {
  image_ = image;
  resize(image_.isNull() ? QSize(1, 1) : image_.size());
  update();
}

void SpectrumPictureWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (!image_.isNull()) p.drawImage(0, 0, image_);
}

}  // namespace tsly
