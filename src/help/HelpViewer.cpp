#include "help/HelpViewer.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "shared/State.h"

namespace tsly {

namespace {
constexpr const char* ContentsAnchor = "contents";
}

HelpViewer::HelpViewer(Ui& ui, QObject* parent) : QObject(parent), ui_(ui) {}

HelpViewer::~HelpViewer() {
  if (f1Enabled_ && qApp) qApp->removeEventFilter(this);
  delete window_.data();
}

void HelpViewer::setup(QWidget* owner, const std::string& programFolder) {
  owner_ = owner;
  helpFile_ = helpFilePath(programFolder);
}

bool HelpViewer::winHelp(QWidget* owner, const std::string& helpFile, int command,
                         unsigned long data) {
  switch (command) {
    case HelpContents:
      return open(owner, helpFile, ContentsAnchor);
    case HelpContext:
      return open(owner, helpFile, QString::number(data));
    case HelpQuit:
      if (window_) {
        window_->close();
        window_->deleteLater();
      }
      window_ = nullptr;
      browser_ = nullptr;
      return true;
    default:
      return false;
  }
}

void HelpViewer::helpcontents() { winHelp(owner_, helpFile_, HelpContents, 0); }

void HelpViewer::showContext(int contextId) {
  if (contextId <= 0) {
    helpcontents();
    return;
  }
  winHelp(owner_, helpFile_, HelpContext, static_cast<unsigned long>(contextId));
}

void HelpViewer::quit() { winHelp(owner_, helpFile_, HelpQuit, 0); }

bool HelpViewer::open(QWidget* owner, const std::string& helpFile, const QString& topic) {
  const QString path = QString::fromStdString(helpFile);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    // The viewer reports a help file it cannot read; nobody else checks.
    ui_.message(std::string("Cannot open the help file") + CrLf + helpFile + CrLf + CrLf +
                    file.errorString().toStdString(),
                HelpWindowTitle, Buttons::Ok, Icon::Exclamation);
    return false;
  }
  file.close();

  // A modal window (the graphics dialog, an input box) blocks every window that
  // does not belong to it: the viewer then belongs to it, so that it can still
  // be read, scrolled and closed.
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent || parent == window_) parent = owner;
  if (window_ && window_->parentWidget() != parent) {
    const QRect geometry = window_->geometry();
    window_->setParent(parent, window_->windowFlags());
    window_->setGeometry(geometry);
  }
  if (!window_) {
    auto* w = new QWidget(parent, Qt::Window);
    w->setObjectName("helpviewer");
    w->setWindowTitle(HelpWindowTitle);
    w->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* b = new QTextBrowser(w);
    b->setObjectName("helpbrowser");
    b->setOpenLinks(true);
    b->setOpenExternalLinks(false);
    layout->addWidget(b);
    w->resize(660, 560);
    window_ = w;
    browser_ = b;
  }
  window_->show();
  window_->raise();
  window_->activateWindow();

  QUrl url = QUrl::fromLocalFile(path);
  const bool sameFile = browser_->source().adjusted(QUrl::RemoveFragment) == url;
  url.setFragment(topic);
  if (sameFile) {
    // Already loaded: just move to the topic (reloads nothing).
    browser_->setSource(url, QTextDocument::HtmlResource);
    browser_->scrollToAnchor(topic);
  } else {
    browser_->clear();
    browser_->setSource(url, QTextDocument::HtmlResource);
  }
  if (topic == ContentsAnchor) browser_->verticalScrollBar()->setValue(0);  // the very top
  return true;
}

QString HelpViewer::currentTopic() const {
  if (!browser_) return {};
  const QString fragment = browser_->source().fragment();
  return fragment.isEmpty() ? QString(ContentsAnchor) : fragment;
}

void HelpViewer::enableF1() {
  if (f1Enabled_ || !qApp) return;
  qApp->installEventFilter(this);
  f1Enabled_ = true;
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
      showContext(helpContextOf(watched));
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tsly
