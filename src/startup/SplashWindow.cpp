#include "startup/SplashWindow.h"

#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <memory>

#include "startup/core/StartupTexts.h"

namespace tsly::startup {

namespace {

constexpr int SplashWidth = 480;
constexpr int SplashHeight = 300;

QFont sized(const QFont& base, double points, bool bold = false) {
  QFont f(base);
  f.setPointSizeF(points);
  f.setItalic(false);
  f.setBold(bold);
  return f;
}

}  // namespace

SplashPicture::SplashPicture(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("splashpicture"));
  setFixedSize(SplashWidth, SplashHeight);
  setAutoFillBackground(true);
}

SplashBoxes SplashPicture::boxes() const { return splashBoxes(width(), height()); }

void SplashPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor text = palette().color(QPalette::WindowText);
  p.setPen(text);
  const double w = width();
  const double h = height();

  // Banner.
  p.setFont(sized(font(), 12, true));
  QRectF banner(0.03 * w, 0.04 * h, 0.94 * w, 0.12 * h);
  p.drawText(banner, Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(SplashBannerTitle));
  p.setFont(sized(font(), 12));
  QRectF lines(0.03 * w, 0.15 * h, 0.94 * w, 0.30 * h);
  p.drawText(lines, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, QString::fromLatin1(SplashBannerLines));

  // Disclaimer, in the window-text colour.
  p.setFont(sized(font(), 7.8));
  QRectF para(0.06 * w, 0.50 * h, 0.88 * w, 0.36 * h);
  p.drawText(para, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, QString::fromLatin1(SplashDisclaimer));

  // The two boxes and their words.
  const SplashBoxes b = boxes();
  p.setBrush(Qt::NoBrush);
  p.setFont(sized(font(), 15));
  for (const auto& [box, word] : {std::pair{b.ok, SplashOkWord}, std::pair{b.pause, SplashPauseWord}}) {
    const QRectF r(QPointF(box.left, box.top), QPointF(box.right, box.bottom));
    p.drawRect(r);
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(word));
  }
}

void SplashPicture::mousePressEvent(QMouseEvent* event) {
  const QPointF pos = event->position();
  emit pressed(pos.x(), pos.y());
}

SplashWindow::SplashWindow(Ui& ui, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), ui_(ui) {
  setObjectName(QStringLiteral("cpyright"));
  setWindowTitle(QString::fromLatin1(AppTitle));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  picture_ = new SplashPicture(this);
  layout->addWidget(picture_);
  setFixedSize(SplashWidth, SplashHeight);
  connect(picture_, &SplashPicture::pressed, this, [this](double x, double y) { pressAt(x, y); });
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { check(); });
}

void SplashWindow::centreOnScreen() {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect g = s->geometry();
  move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
}

void SplashWindow::pressAt(double x, double y) {
  const SplashHit hit = splashHitTest(picture_->boxes(), x, y);
  if (wait_.press(hit)) ui_.beep();
  check();
}

void SplashWindow::check() {
  if (!loop_) return;
  const qint64 now = clock_.elapsed();
  if (wait_.over(now)) {
    timer_.stop();
    loop_->quit();
    return;
  }
  const qint64 left = wait_.remainingMs(now);
  if (left < 0) {
    timer_.stop();  // held until OK
  } else {
    timer_.start(static_cast<int>(left));
  }
}

void SplashWindow::waitOut(qint64 durationMs) {
  if (loop_) return;
  clock_.start();
  wait_.start(0, durationMs);
  QEventLoop loop;
  loop_ = &loop;
  check();
  if (!wait_.over(clock_.elapsed())) loop.exec();
  loop_ = nullptr;
  timer_.stop();
}

void SplashWindow::run(const std::function<void()>& showMain) {
  // Topmost is part of the window flags set at construction.
  if (showMain) showMain();
  centreOnScreen();
  show();
  raise();
  waitOut();
  close();
}

void showSplash(Ui& ui, const std::function<void()>& showMain) {
  auto splash = std::make_unique<SplashWindow>(ui);
  splash->run(showMain);
}

}  // namespace tsly::startup
