#include "display/DisplaySurface.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

#include "display/GraphicsDialog.h"
#include "qt/ImageCanvas.h"
#include "shared/Numbers.h"

namespace tsly {

DisplaySurface::DisplaySurface(AppState& state, Ui& ui, const DisplayWidgets& widgets, QObject* parent)
    : QObject(parent), s_(state), ui_(ui), w_(widgets), display_(state, *widgets.canvas, ui, *this) {
  connect(w_.canvas, &ImageCanvas::pressed, this,
          [this](int, int, double x, double y) { display_.mousePress(static_cast<float>(x), static_cast<float>(y)); });
  for (QScrollBar* b : {w_.hscroll, w_.vscroll}) {
    if (!b) continue;
    b->setMinimum(0);
    b->setSingleStep(ScrollSmallStep);
  }
  updateScrollBars();
}

DisplaySurface::~DisplaySurface() = default;

void DisplaySurface::changeGraphics() {
  if (!dialog_) dialog_ = new GraphicsDialog(s_, ui_, w_.window);
  const QPoint at = w_.window ? w_.window->frameGeometry().topLeft() : QPoint();
  if (dialog_->run(w_.canvas->logicalDpiX(), at)) display_.refresh();
}

TwipsRect DisplaySurface::twipsOf(const QWidget* w) const {
  const int dx = w_.window ? w_.window->logicalDpiX() : 96;
  const int dy = w_.window ? w_.window->logicalDpiY() : 96;
  const QRect g = w->geometry();
  return {pixelsToTwips(g.x(), dx), pixelsToTwips(g.y(), dy), pixelsToTwips(g.width(), dx),
          pixelsToTwips(g.height(), dy)};
}

void DisplaySurface::place(QWidget* w, const TwipsRect& r) {
  const int dx = w_.window ? w_.window->logicalDpiX() : 96;
  const int dy = w_.window ? w_.window->logicalDpiY() : 96;
  w->setGeometry(twipsToPixels(r.left, dx), twipsToPixels(r.top, dy), twipsToPixels(r.width, dx),
                 twipsToPixels(r.height, dy));
}

void DisplaySurface::windowResized(double outerWidthTwips, double outerHeightTwips) {
  if (!w_.viewport || !w_.vscroll || !w_.hscroll) return;
  const ResizeResult r = resizeLayout(outerWidthTwips, outerHeightTwips, twipsOf(w_.viewport), twipsOf(w_.vscroll),
                                      twipsOf(w_.hscroll));
  if (r.relayout) {
    place(w_.viewport, r.viewport);
    place(w_.vscroll, r.vscroll);
    place(w_.hscroll, r.hscroll);
    w_.hscroll->setVisible(true);
  }
  updateScrollBars();
}

void DisplaySurface::updateScrollBars() {
  if (!w_.viewport || !w_.canvas) return;
  setScrollBars(scrollBarsFor(w_.canvas->width(), w_.canvas->height(), viewportWidth(), viewportHeight()));
}

void DisplaySurface::horizontalScrolled(int value) {
  const CanvasPos p = canvasPosForHorizontal(value, w_.vscroll ? w_.vscroll->value() : 0);
  w_.canvas->move(p.left, p.top);
}

void DisplaySurface::verticalScrolled(int value) {
  const CanvasPos p = canvasPosForVertical(value);
  w_.canvas->move(p.left, p.top);
}

void DisplaySurface::setStatusText(const std::string& text) {
  if (w_.status) w_.status(QString::fromStdString(text));
}

void DisplaySurface::setClearPicksEnabled(bool on) {
  if (w_.clearPicks) w_.clearPicks->setEnabled(on);
}

void DisplaySurface::setVelfEnabled(bool on) {
  if (w_.velf) w_.velf->setEnabled(on);
}

int DisplaySurface::viewportWidth() const { return w_.viewport ? w_.viewport->width() : 0; }
int DisplaySurface::viewportHeight() const { return w_.viewport ? w_.viewport->height() : 0; }

void DisplaySurface::setScrollBars(const ScrollBars& bars) {
  if (w_.vscroll) {
    w_.vscroll->setMaximum(bars.verticalMax);
    w_.vscroll->setPageStep(bars.verticalPage);
  }
  if (w_.hscroll) {
    w_.hscroll->setMaximum(bars.horizontalMax);
    w_.hscroll->setPageStep(bars.horizontalPage);
  }
}

void DisplaySurface::displayChanged(DisplayChange what) {
  // A listener may add another while being told (a window made on first use).
  for (std::size_t i = 0; i < listeners_.size(); ++i) {
    const auto listener = listeners_[i];
    listener(what);
  }
}

void DisplaySurface::addChangeListener(std::function<void(DisplayChange)> listener) {
  listeners_.push_back(std::move(listener));
}

}  // namespace tsly
