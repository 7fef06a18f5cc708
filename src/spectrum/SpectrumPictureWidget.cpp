#include "spectrum/SpectrumPictureWidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace tsly {

SpectrumPictureWidget::SpectrumPictureWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("spectrumPicture"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);  // Delete reaches the window after a click here
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

void SpectrumPictureWidget::mousePressEvent(QMouseEvent* event) {
  emit pressed(event->position(), event->button(), event->modifiers());
}

void SpectrumPictureWidget::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) emit dragged(event->position());
}

void SpectrumPictureWidget::mouseReleaseEvent(QMouseEvent* event) { emit released(event->position(), event->button()); }

}  // namespace tsly
