#include "JobPadWindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <cstdio>

#include "DeckRunner.h"
#include "deck/core/DeckReader.h"
#include "platform/AtomicFile.h"
#include "platform/FileChecks.h"
#include "shared/OutputCheck.h"
#include "qt/QtUi.h"
#include "shared/State.h"

namespace jobpad {

JobPadWindow::JobPadWindow(const QString& deckPath, QWidget* parent)
    : QMainWindow(parent),
      deck_(new QPlainTextEdit(this)),
      paths_(new QLabel(this)),
      deckPath_(deckPath),
      ownUi_(std::make_unique<tsly::QtUi>(this)),
      ui_(ownUi_.get()) {
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
  QAction* runAction = file->addAction(tr("Run"), this, [this] { runDeck(); });
  runAction->setObjectName("fileRun");
  runAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  file->addSeparator();
  QAction* exitAction = file->addAction(tr("E&xit"), this, [this] { close(); });
  exitAction->setObjectName("fileExit");

  // A deck that exists is loaded; one that can not be (a folder, a FIFO, a
  // device, larger than a deck can be) is said so at once and not waited for.
  if (!deckPath_.isEmpty() && tsly::fileStatus(deckPath_.toStdString()).kind != tsly::FileKind::Missing) {
    std::string bytes;
    if (const std::string why = tsly::readInputText(deckPath_.toStdString(), bytes); !why.empty()) {
      std::fprintf(stderr, "JobPad: %s\n", why.c_str());
      statusBar()->showMessage(QString::fromStdString(why));
    } else {
      QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
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
  // The output check: never over the data file the deck moves out, nor over
  // a folder, FIFO or device. Written whole or not at all: a failed save
  // leaves the old file as it was.
  const QByteArray bytes = deckBytes();
  const tsly::deck::DeckReadResult d = tsly::deck::readDeck(std::string_view(bytes.constData(), bytes.size()));
  const std::string target = path.toStdString();
  const tsly::OutputCheck c =
      tsly::checkOutputFile(target, {{d.deck.inputFile, "the data file the deck moves out"}}, true);
  std::string why = c.message;
  if (c.ok()) {
    tsly::AtomicFile f;
    if (f.open(target) && f.write(bytes.constData(), static_cast<std::size_t>(bytes.size()))) f.commit();
    why = f.ok() ? std::string() : f.reason();
  }
  if (!why.empty()) {
    ui_->message("The deck could not be saved to " + target + ":" + tsly::CrLf + why, "JobPad", tsly::Buttons::Ok,
                 tsly::Icon::Exclamation);
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

namespace {

QString crlfLines(const QString& text) {
  QString t = text;
  t.replace(QLatin1Char('\n'), QString::fromLatin1(tsly::CrLf));
  return t;
}

}  // namespace

bool JobPadWindow::runDeck() {
  if (running_) return false;
  running_ = true;
  const QByteArray deck = deckBytes();
  const std::string title = "JobPad - Run";
  bool force = false;
  bool ran = false;
  for (;;) {
    DeckRunner runner;
    QProgressDialog progress(tr("Running the deck..."), tr("Cancel"), 0, 0, this);
    progress.setObjectName("runProgress");
    progress.setWindowTitle(QString::fromStdString(title));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    connect(&runner, &DeckRunner::progress, &progress, [&progress](qint64 done, qint64 total) {
      // The dialog counts in int: scale large totals down.
      const qint64 scale = total > 1000000 ? total / 1000000 + 1 : 1;
      progress.setMaximum(static_cast<int>(total / scale));
      progress.setValue(static_cast<int>(done / scale));
    });
    connect(&progress, &QProgressDialog::canceled, &runner, &DeckRunner::cancel);
    QEventLoop loop;
    connect(&runner, &DeckRunner::finished, &loop, &QEventLoop::quit);
    if (runner.start(deck, force)) {
      progress.show();
      loop.exec();
    }
    progress.hide();
    const DeckRunner::Outcome& out = runner.outcome();
    if (out.status == DeckRunner::Status::Done) {
      ui_->message("The deck ran." + std::string(tsly::CrLf) + crlfLines(out.report).toStdString(), title,
                   tsly::Buttons::Ok, tsly::Icon::Information);
      ran = true;
    } else if (out.status == DeckRunner::Status::Cancelled) {
      statusBar()->showMessage(tr("Run cancelled; nothing written."));
    } else if (out.status == DeckRunner::Status::OutputExists && !force) {
      const tsly::deck::DeckReadResult d = tsly::deck::readDeck(std::string_view(deck.constData(), deck.size()));
      const std::string name = d.ok ? d.deck.outputFile : crlfLines(out.error).toStdString();
      if (ui_->message("The output file " + name + " exists." + tsly::CrLf + "Replace it?", title,
                       tsly::Buttons::YesNo, tsly::Icon::Question) == tsly::Answer::Yes) {
        force = true;
        continue;
      }
      statusBar()->showMessage(tr("Run not started: the output file exists."));
    } else {
      ui_->message("The deck could not be run." + std::string(tsly::CrLf) + crlfLines(out.error).toStdString(),
                   "JobPad - Run failed", tsly::Buttons::Ok, tsly::Icon::Critical);
    }
    break;
  }
  running_ = false;
  return ran;
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
