// The JobPad window: the job deck in an editable text area, saved with CR LF
// line ends through File > Save / Save As, and run through `tsly nmo` by
// File > Run (a progress window with Cancel, then a box with the report or
// the fault and its deck line).
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "platform/Ui.h"

class QLabel;
class QPlainTextEdit;

namespace jobpad {

class JobPadWindow : public QMainWindow {
  Q_OBJECT

 public:
  // deckPath: the file Save writes to (loaded at once when it exists); may be
  // empty. A deck that can not be loaded (a folder, a FIFO, a device, more
  // than 16 MiB) is said so at once on the status line and on stderr.
  explicit JobPadWindow(const QString& deckPath, QWidget* parent = nullptr);

  // Appends one line at the end of the deck.
  bool addLine(const QString& line);
  void bringForward();
  void showPaths(const QString& orogPath, const QString& lastPath);

  // The deck as written to a file: every line followed by CR LF.
  QByteArray deckBytes() const;
  // Writes the deck whole or not at all, never over the data file its *INPF
  // names nor over a folder, FIFO or device (the box says why).
  bool saveTo(const QString& path);
  bool save();
  bool saveAs();
  QString deckPath() const { return deckPath_; }

  // File > Run: runs the deck the window holds and tells the outcome. Returns
  // when the run has ended (events keep running meanwhile). True when it ran.
  bool runDeck();
  // The boxes of Run and Save go through this (a scripted one in tests).
  void setUi(tsly::Ui* ui) { ui_ = ui; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void updateTitle();

  QPlainTextEdit* deck_;
  QLabel* paths_;
  QString deckPath_;
  std::unique_ptr<tsly::Ui> ownUi_;
  tsly::Ui* ui_;
  bool running_ = false;
};

}  // namespace jobpad
