// The widget that shows the "Velocity Spectrum" window's picture (objectName
// "spectrumPicture"), at its own size inside the window's scroll area. It
// hands the mouse on to the window in picture pixels.
#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

namespace tsly {

class SpectrumPictureWidget : public QWidget {
  Q_OBJECT
 public:
  explicit SpectrumPictureWidget(QWidget* parent = nullptr);
  void setImage(const QImage& image);
  QSize sizeHint() const override { return image_.isNull() ? QSize(400, 300) : image_.size(); }

 signals:
  void pressed(QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
  void dragged(QPointF at);
  void released(QPointF at, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage image_;
};

}  // namespace tsly
