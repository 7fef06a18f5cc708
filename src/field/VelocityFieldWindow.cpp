#include "field/VelocityFieldWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "field/core/FieldTexts.h"
#include "qt/FigurePainter.h"

namespace tsly {

FieldPictureWidget::FieldPictureWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("fieldPicture"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
}

void FieldPictureWidget::setImage(const QImage& image) {
  image_ = image;
  resize(image_.isNull() ? QSize(1, 1) : image_.size());
  update();
}

void FieldPictureWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (!image_.isNull()) p.drawImage(0, 0, image_);
}

void FieldPictureWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit pressed(event->position().toPoint());
}

void FieldPictureWidget::mouseMoveEvent(QMouseEvent* event) { emit hovered(event->position().toPoint()); }

VelocityFieldWindow::VelocityFieldWindow(FieldHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host) {
  setObjectName(QStringLiteral("VelocityField"));
  setWindowTitle(QString::fromLatin1(fieldtext::WindowTitle));
  auto* layout = new QVBoxLayout(this);
  interval_ = new QCheckBox(QString::fromLatin1(fieldtext::IntervalBox), this);
  interval_->setObjectName(QStringLiteral("fieldinterval"));
  layout->addWidget(interval_);
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("fieldScroll"));
  scroll_->setBackgroundRole(QPalette::Base);
  pictureWidget_ = new FieldPictureWidget;
  scroll_->setWidget(pictureWidget_);
  layout->addWidget(scroll_, 1);
  point_ = new QLabel(this);
  point_->setObjectName(QStringLiteral("fieldpoint"));
  layout->addWidget(point_);
  connect(interval_, &QCheckBox::toggled, this, [this] { redraw(); });
  connect(pictureWidget_, &FieldPictureWidget::pressed, this, &VelocityFieldWindow::pressedAt);
  connect(pictureWidget_, &FieldPictureWidget::hovered, this, &VelocityFieldWindow::hoveredAt);
  redraw();
  // Room for the whole picture where the screen allows.
  const QSize picture = image_.size();
  resize(picture.width() + 40, picture.height() + interval_->sizeHint().height() + point_->sizeHint().height() + 60);
}

void VelocityFieldWindow::setField(field::FieldPictureInput input) {
  input_ = std::move(input);
  redraw();
}

void VelocityFieldWindow::redraw() {
  input_.interval = interval_->isChecked();
  picture_ = field::layOutField(input_, FigureTextMeasure());
  image_ = paintFigure(picture_.figure);
  pictureWidget_->setImage(image_);
}

void VelocityFieldWindow::pressedAt(QPoint at) {
  const field::FieldLayout& L = picture_.layout;
  if (!L.inPlot(at.x(), at.y()) || input_.lastCdp < input_.firstCdp) return;
  host_.showCdp(L.cdpAt(at.x()));
}

void VelocityFieldWindow::hoveredAt(QPoint at) {
  const field::FieldLayout& L = picture_.layout;
  if (!L.inPlot(at.x(), at.y()) || L.grid.values.empty()) {
    point_->clear();
    return;
  }
  const int x = at.x() - L.plotLeft, r = at.y() - L.plotTop;
  point_->setText(QString::fromStdString(
      fieldtext::pointText(L.cdpAt(at.x()), L.timeAt(at.y()), L.grid.interval, L.grid.at(x, r), L.grid.flagAt(x, r))));
}

}  // namespace tsly
