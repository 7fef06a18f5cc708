// The "Velocity Field" window (objectName "VelocityField"): the velocity field
// of the line the picks give (field/core/VelocityFieldPicture.h), in a scroll
// area, with a box "Interval velocity (Dix)" (objectName "fieldinterval")
// that shows the interval velocity instead of the RMS velocity. The point
// under the mouse is described below the picture (objectName "fieldpoint");
// a click in the field shows that CDP in the main window through FieldHost.
// The window only informs; it changes no pick.
#pragma once

#include <QImage>
#include <QWidget>

#include "field/FieldHost.h"
#include "field/core/VelocityFieldPicture.h"

class QCheckBox;
class QLabel;
class QScrollArea;

namespace tsly {

// The widget that shows the picture (objectName "fieldPicture") at its own size.
class FieldPictureWidget : public QWidget {
  Q_OBJECT
 public:
  explicit FieldPictureWidget(QWidget* parent = nullptr);
  void setImage(const QImage& image);
  QSize sizeHint() const override { return image_.isNull() ? QSize(400, 300) : image_.size(); }

 signals:
  void pressed(QPoint at);
  void hovered(QPoint at);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QImage image_;
};

class VelocityFieldWindow : public QWidget {
  Q_OBJECT
 public:
  explicit VelocityFieldWindow(FieldHost& host, QWidget* parent = nullptr);

  // The field to show (its `interval` follows the window's box).
  void setField(field::FieldPictureInput input);

  const field::FieldPicture& picture() const { return picture_; }
  const QImage& image() const { return image_; }
  FieldPictureWidget* pictureWidget() const { return pictureWidget_; }
  QCheckBox* intervalBox() const { return interval_; }
  QLabel* pointLabel() const { return point_; }

 private:
  void redraw();
  void pressedAt(QPoint at);
  void hoveredAt(QPoint at);

  FieldHost& host_;
  field::FieldPictureInput input_;
  field::FieldPicture picture_;
  QImage image_;
  QCheckBox* interval_ = nullptr;
  QLabel* point_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  FieldPictureWidget* pictureWidget_ = nullptr;
};

}  // namespace tsly
