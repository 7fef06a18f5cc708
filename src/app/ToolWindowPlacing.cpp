#include "app/ToolWindowPlacing.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tsly {

namespace {

PlaceRect rectOf(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

PlaceRect ToolWindowPlacing::frameOf(const QWidget* window) const {
  if (window->isVisible() || window->testAttribute(Qt::WA_WState_Created)) {
    const QRect f = window->frameGeometry();
    if (f != window->geometry()) return rectOf(f);
  }
  // The main window's frame margins around the window's own rectangle.
  const QRect mf = main_->frameGeometry(), mg = main_->geometry();
  const QRect g = window->geometry();
  return {g.x() - (mg.x() - mf.x()), g.y() - (mg.y() - mf.y()), g.width() + mf.width() - mg.width(),
          g.height() + mf.height() - mg.height()};
}

PlacementRequest ToolWindowPlacing::request(QSize size, QSize least, const std::vector<PlaceRect>& taken) const {
  PlacementRequest r;
  QScreen* screen = main_->screen() ? main_->screen() : QGuiApplication::primaryScreen();
  r.screen = screen ? rectOf(screen->availableGeometry()) : rectOf(main_->frameGeometry());
  r.main = rectOf(main_->frameGeometry());
  r.controlsBottom = controlsBottom_;
  r.taken = taken;
  const int frameW = main_->frameGeometry().width() - main_->geometry().width();
  const int frameH = main_->frameGeometry().height() - main_->geometry().height();
  r.wanted = {size.width() + frameW, size.height() + frameH};
  r.least = {least.width() + frameW, least.height() + frameH};
  return r;
}

PlaceRect ToolWindowPlacing::slotFor(QSize size, QSize least, const std::vector<PlaceRect>& taken) const {
  return placeBeside(request(size, least, taken));
}

void ToolWindowPlacing::place(QWidget* window, QSize least, const std::vector<PlaceRect>& taken) const {
  const PlacementRequest r = request(window->size(), least, taken);
  const PlaceRect f = placeBeside(r);
  window->resize(std::max(1, f.width - (r.wanted.width - window->width())),
                 std::max(1, f.height - (r.wanted.height - window->height())));
  window->move(f.x, f.y);
}

}  // namespace tsly
