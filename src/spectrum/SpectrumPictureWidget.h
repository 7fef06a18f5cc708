// The widget that shows the "Velocity Spectrum" window's picture (objectName
// "spectrumPicture"), at its own size inside the window's scroll area.
#pragma once

#include <QImage>
#include <QWidget>

namespace tsly {

class SpectrumPictureWidget : public QWidget {
  Q_OBJECT
 public:
  explicit SpectrumPictureWidget(QWidget* parent = nullptr);
  void setImage(const QImage& image);
  QSize sizeHint() const override { return image_.isNull() ? QSize(400, 300) : image_.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace tsly
