#include "help/AboutWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <memory>

#include "shared/Numbers.h"
#include "shared/State.h"
#include "shared/Twips.h"

namespace tsly {

namespace {
constexpr int OkLeft = 154;  // designed position of the button; only its top moves
constexpr int OkWidth = 80;
constexpr int OkHeight = 28;
}  // namespace

std::string systemdirectory() {
  // The program's data (the help file, the About picture) is installed beside
  // the executable.
  std::string dir = QCoreApplication::applicationDirPath().toStdString();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

AboutGeometry aboutGeometry(int dpiX, int dpiY, int frameWidthPx, int frameHeightPx) {
  AboutGeometry g;
  if (dpiX <= 0) dpiX = 96;
  if (dpiY <= 0) dpiY = 96;
  g.twipsPerPixelX = pixelsToTwips(1, dpiX);
  g.twipsPerPixelY = pixelsToTwips(1, dpiY);
  // The outer width is 388 pixels, frame included.
  g.outerWidthTwips = AboutOuterWidthPx * g.twipsPerPixelX;
  (void)frameWidthPx;
  // The inner area is 253 pixels high: the frame and caption come on top.
  g.outerHeightTwips = (AboutInnerHeightPx + frameHeightPx) * g.twipsPerPixelY;
  return g;
}

AboutWindow::AboutWindow(Ui& ui, QWidget* parent, const AboutOptions& options)
    : QDialog(parent), ui_(ui), options_(options) {
  setObjectName("About");
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("Command1");
  ok_->setGeometry(OkLeft, 0, OkWidth, OkHeight);
  connect(ok_, &QPushButton::clicked, this, &AboutWindow::okClicked);

  // Load: a failing step is skipped and the next one runs.
  loadPicture(options_.systemDir.empty() ? systemdirectory() : options_.systemDir);
  applySize();
}

void AboutWindow::loadPicture(const std::string& systemDir) {
  const QString inSystem = QString::fromStdString(systemDir) + AboutPictureName;
  QString path;
  if (QFileInfo::exists(inSystem)) {
    path = inSystem;
  } else {
    const QString inCurrent = QDir::current().filePath(AboutPictureName);
    if (QFileInfo::exists(inCurrent)) path = inCurrent;
  }
  if (path.isEmpty()) return;
  QPixmap pm;
  if (pm.load(path)) {
    picture_ = pm;
    picturePath_ = path;
  }
}

void AboutWindow::applySize() {
  const int dpiX = options_.dpiX > 0 ? options_.dpiX : logicalDpiX();
  const int dpiY = options_.dpiY > 0 ? options_.dpiY : logicalDpiY();
  const QRect outer = frameGeometry();
  frameExtra_ = QSize(std::max(0, outer.width() - width()), std::max(0, outer.height() - height()));
  geometry_ = aboutGeometry(dpiX, dpiY, frameExtra_.width(), frameExtra_.height());
  const int outerWidth = nearestI32(geometry_.outerWidthTwips / geometry_.twipsPerPixelX);
  const int outerHeight = nearestI32(geometry_.outerHeightTwips / geometry_.twipsPerPixelY);
  const int innerWidth = outerWidth - frameExtra_.width();
  const int innerHeight = outerHeight - frameExtra_.height();
  setFixedSize(innerWidth, innerHeight);
  ok_->move(ok_->x(), innerHeight - ok_->height());
}

void AboutWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  applySize();  // the frame is known now
}

void AboutWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!picture_.isNull()) p.drawPixmap(0, 0, picture_);
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
  event->accept();
  ui_.message(aboutCredits(windowTitle().toStdString()), AboutCreditsTitle, Buttons::Ok,
              Icon::Information);
}

void AboutWindow::okClicked() {
  ui_.message(aboutDisclaimer(), "", Buttons::Ok, Icon::None);
  accept();
}

void fileabout(Ui& ui, QWidget* mainWindow, const AboutOptions& options) {
  auto about = std::make_unique<AboutWindow>(ui, mainWindow, options);
  if (mainWindow) {
    // Centred over the main window; it may stick out when it is the larger.
    const QRect main = mainWindow->frameGeometry();
    const QSize size = about->frameGeometry().size();
    about->move(main.x() + nearestI32((main.width() - size.width()) / 2.0),
                main.y() + nearestI32((main.height() - size.height()) / 2.0));
  }
  about->setWindowTitle(AboutCaption);
  about->exec();
}

}  // namespace tsly
