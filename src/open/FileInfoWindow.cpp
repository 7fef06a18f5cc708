#include "open/FileInfoWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "open/core/OpenTexts.h"
#include "qt/QtUi.h"
#include "qt/WrappingLabel.h"

namespace tsly {

namespace {

// Design layout of the window, in twips (client area 6000 x 3000).
constexpr double ClientWidth = 6000, ClientHeight = 3000;

}  // namespace

FileInfoWindow::FileInfoWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("tslyfile"));
  setWindowTitle(QString::fromLatin1(opentext::InfoTitle));
  setModal(false);
  const double dx = logicalDpiX(), dy = logicalDpiY();
  auto place = [&](QWidget* w, double l, double t, double wd, double h) {
    w->setGeometry(twipsRect(l, t, wd, h, dx, dy));
  };
  frame_ = new QGroupBox(QString::fromLatin1(opentext::InfoFrame), this);
  frame_->setObjectName(QStringLiteral("Frame1"));
  place(frame_, 120, 120, 5760, 2160);
  label3_ = new WrappingLabel(QString::fromLatin1(opentext::InfoLabel3), frame_, WrappingLabel::Overflow::ElideMiddle);
  label3_->setObjectName(QStringLiteral("Label3"));
  place(label3_, 120, 300, 5520, 480);
  label2_ = new QLabel(QString::fromLatin1(opentext::InfoLabel2), frame_);
  label2_->setObjectName(QStringLiteral("Label2"));
  place(label2_, 120, 840, 5520, 660);
  label1_ = new QLabel(QString::fromLatin1(opentext::InfoLabel1), frame_);
  label1_->setObjectName(QStringLiteral("Label1"));
  place(label1_, 120, 1560, 5520, 480);
  for (QLabel* l : {label1_, label2_, label3_}) {
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  done_ = new QPushButton(QString::fromLatin1(opentext::InfoDone), this);
  done_->setObjectName(QStringLiteral("infodone"));
  place(done_, 2400, 2400, 1200, 420);
  connect(done_, &QPushButton::clicked, this, &FileInfoWindow::infodone);
  setFixedSize(twipsToPixels(ClientWidth, dx), twipsToPixels(ClientHeight, dy));
}

void FileInfoWindow::setFileName(const std::string& name) {
  setLabelText(label3_, name);
  label3_->setToolTip(label3_->text());
}

void FileInfoWindow::setLabelText(QLabel* label, const std::string& text) {
  QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  label->setText(t);
}

std::string FileInfoWindow::labelText(const QLabel* label) {
  QString t = label->text();
  t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return t.toUtf8().toStdString();
}

void FileInfoWindow::centreOver(const QWidget* owner) {
  if (!owner) return;
  const double dx = logicalDpiX(), dy = logicalDpiY();
  const QRect o = owner->frameGeometry();
  const QRect me = frameGeometry();
  const double leftTw = pixelsToTwips(o.left(), dx) + (pixelsToTwips(o.width(), dx) - pixelsToTwips(me.width(), dx)) / 2.0;
  const double topTw = pixelsToTwips(o.top(), dy) + (pixelsToTwips(o.height(), dy) - pixelsToTwips(me.height(), dy)) / 2.0;
  move(twipsToPixels(leftTw, dx), twipsToPixels(topTw, dy));
}

void FileInfoWindow::infodone() { hide(); }

}  // namespace tsly
