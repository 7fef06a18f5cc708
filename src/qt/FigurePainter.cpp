#include "qt/FigurePainter.h"

#include <algorithm>
#include <variant>

#include <QGuiApplication>
#include <QPainter>
#include <QPolygonF>

namespace tsly {

namespace {

QColor colour(Argb c) { return QColor::fromRgba(c); }

QPolygonF polygon(const std::vector<FigurePoint>& points) {
  QPolygonF p;
  p.reserve(static_cast<qsizetype>(points.size()));
  for (const FigurePoint& pt : points) p << QPointF(pt.x, pt.y);
  return p;
}

// Draws one item; the painter's state is restored after each.
struct ItemPainter {
  QPainter& p;
  int ascent;

  void smooth(const FigureRect& clip) {
    p.setRenderHint(QPainter::Antialiasing, true);
    if (!clip.empty()) p.setClipRect(QRect(clip.x, clip.y, clip.width, clip.height));
  }
  void operator()(const Figure::Pixels& i) {
    if (i.at.empty() || i.pixels.size() < static_cast<std::size_t>(i.at.width) * static_cast<std::size_t>(i.at.height))
      return;
    const QImage image(reinterpret_cast<const uchar*>(i.pixels.data()), i.at.width, i.at.height, i.at.width * 4,
                       QImage::Format_ARGB32);
    p.drawImage(i.at.x, i.at.y, image);
  }
  void operator()(const Figure::Fill& i) { p.fillRect(QRect(i.at.x, i.at.y, i.at.width, i.at.height), colour(i.colour)); }
  void operator()(const Figure::Line& i) {
    p.setPen(colour(i.colour));
    p.drawLine(i.x0, i.y0, i.x1, i.y1);
  }
  void operator()(const Figure::Text& i) {
    p.setPen(colour(i.colour));
    p.drawText(QPoint(i.x, i.y + ascent), QString::fromStdString(i.text));
  }
  void operator()(const Figure::Path& i) {
    smooth(i.clip);
    p.setPen(QPen(colour(i.colour), i.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(polygon(i.points));
  }
  void operator()(const Figure::Area& i) {
    smooth(i.clip);
    p.setPen(Qt::NoPen);
    p.setBrush(colour(i.colour));
    p.drawPolygon(polygon(i.points));
  }
  void operator()(const Figure::Ring& i) {
    smooth(i.clip);
    p.setPen(QPen(colour(i.edge), i.edgeWidth));
    p.setBrush(colour(i.fill));
    p.drawEllipse(QPointF(i.centre.x, i.centre.y), i.radius, i.radius);
  }
};

}  // namespace

QFont figureFont() {
  QFont font = QGuiApplication::font();
  font.setPixelSize(12);
  return font;
}

FigureTextMeasure::FigureTextMeasure() : metrics_(figureFont()) {}

int FigureTextMeasure::width(const std::string& text) const {
  return metrics_.horizontalAdvance(QString::fromStdString(text));
}

int FigureTextMeasure::height() const { return metrics_.height(); }

QImage paintFigure(const Figure& figure) {
  QImage image(std::max(figure.width, 1), std::max(figure.height, 1), QImage::Format_RGB32);
  image.fill(colour(figure.background));
  QPainter p(&image);
  p.setFont(figureFont());
  ItemPainter draw{p, p.fontMetrics().ascent()};
  for (const Figure::Item& item : figure.items) {
    p.save();
    std::visit(draw, item);
    p.restore();
  }
  return image;
}

}  // namespace tsly
