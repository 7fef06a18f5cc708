#include "JobPadWindow.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QStatusBar>

namespace jobpad {

JobPadWindow::JobPadWindow(const QString& deckPath, QWidget* parent)
    : QMainWindow(parent), deck_(new QPlainTextEdit(this)), paths_(new QLabel(this)), deckPath_(deckPath) {
  setObjectName("JobPad");
  // Started by Tessaly in the background: show the window without taking the focus.
  setAttribute(Qt::WA_ShowWithoutActivating);
  deck_->setObjectName("deck");
  deck_->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono("Monospace");
  mono.setStyleHint(QFont::TypeWriter);
  deck_->setFont(mono);
  setCentralWidget(deck_);
  paths_->setObjectName("paths");
  statusBar()->addWidget(paths_, 1);

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName("fileMenu");
  QAction* saveAction = file->addAction(tr("&Save"), this, [this] { save(); });
  saveAction->setObjectName("fileSave");
  saveAction->setShortcut(QKeySequence::Save);
  QAction* saveAsAction = file->addAction(tr("Save &As..."), this, [this] { saveAs(); });
  saveAsAction->setObjectName("fileSaveAs");
  saveAsAction->setShortcut(QKeySequence::SaveAs);
  file->addSeparator();
  QAction* exitAction = file->addAction(tr("E&xit"), this, [this] { close(); });
  exitAction->setObjectName("fileExit");

  if (!deckPath_.isEmpty() && QFileInfo::exists(deckPath_)) {
    QFile f(deckPath_);
    if (f.open(QIODevice::ReadOnly)) {
      QString text = QString::fromUtf8(f.readAll());
      text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
      deck_->setPlainText(text);
    }
  }
  deck_->document()->setModified(false);
  connect(deck_->document(), &QTextDocument::modificationChanged, this, &JobPadWindow::setWindowModified);
  updateTitle();
  resize(720, 480);
}

void JobPadWindow::updateTitle() {
  const QString name = deckPath_.isEmpty() ? tr("(untitled)") : QFileInfo(deckPath_).fileName();
  setWindowTitle(QStringLiteral("JobPad - %1[*]").arg(name));
}

bool JobPadWindow::addLine(const QString& line) {
  deck_->appendPlainText(line);
  deck_->verticalScrollBar()->setValue(deck_->verticalScrollBar()->maximum());
  return true;
}

void JobPadWindow::bringForward() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void JobPadWindow::showPaths(const QString& orogPath, const QString& lastPath) {
  paths_->setText(tr("Orogen: %1    Last path: %2").arg(orogPath, lastPath));
}

QByteArray JobPadWindow::deckBytes() const {
  const QString text = deck_->toPlainText();
  if (text.isEmpty()) return {};
  QStringList lines = text.split(QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
  QByteArray out;
  for (const QString& l : lines) {
    out += l.toUtf8();
    out += "\r\n";
  }
  return out;
}

bool JobPadWindow::saveTo(const QString& path) {
  // Written whole or not at all: a failed save leaves the old file as it was.
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(deckBytes()) < 0 || !f.commit()) {
    QMessageBox::warning(this, tr("JobPad"), tr("The deck could not be saved to %1:\n%2").arg(path, f.errorString()));
    return false;
  }
  deckPath_ = path;
  deck_->document()->setModified(false);
  updateTitle();
  return true;
}

bool JobPadWindow::save() { return deckPath_.isEmpty() ? saveAs() : saveTo(deckPath_); }

bool JobPadWindow::saveAs() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Save Job Deck"), deckPath_,
                                                    tr("Job decks (*.job *.txt);;All files (*)"));
  if (path.isEmpty()) return false;
  return saveTo(path);
}

void JobPadWindow::closeEvent(QCloseEvent* event) {
  if (deck_->document()->isModified()) {
    const auto answer = QMessageBox::question(this, tr("JobPad"), tr("Save the changes to the job deck?"),
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                              QMessageBox::Save);
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !save())) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

}  // namespace jobpad
