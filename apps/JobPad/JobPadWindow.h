// The JobPad window: the job deck in an editable text area, saved with CR LF
// line ends through File > Save / Save As.
#pragma once

#include <QMainWindow>
#include <QString>

class QLabel;
class QPlainTextEdit;

namespace jobpad {

class JobPadWindow : public QMainWindow {
  Q_OBJECT

 public:
  // deckPath: the file Save writes to (loaded at once when it exists); may be empty.
  explicit JobPadWindow(const QString& deckPath, QWidget* parent = nullptr);

  // Appends one line at the end of the deck.
  bool addLine(const QString& line);
  void bringForward();
  void showPaths(const QString& orogPath, const QString& lastPath);

  // The deck as written to a file: every line followed by CR LF.
  QByteArray deckBytes() const;
  bool saveTo(const QString& path);
  bool save();
  bool saveAs();
  QString deckPath() const { return deckPath_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void updateTitle();

  QPlainTextEdit* deck_;
  QLabel* paths_;
  QString deckPath_;
};

}  // namespace jobpad
