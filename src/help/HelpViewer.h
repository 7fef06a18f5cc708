// The program's help viewer: a window of its own showing the help file
// "TESSALY.HLP" (HTML) in a QTextBrowser.
//
// winHelp() takes the classic help commands: HelpContents (3) opens the file at
// its contents, HelpContext (1) at the topic whose anchor is the help context
// number, HelpQuit (2) closes the viewer. The main window sets the viewer up once
// at start-up (owner window and help-file path) and tells it to quit at exit.
//
// F1 anywhere in the program (once enableF1() has run) opens the topic of the
// widget that has the key (helpContextOf, qt/HelpContext.h); without
// any, the contents.
//
// A help file that cannot be read is reported by the viewer itself in a message
// box; the caller is not told.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <string>

#include "help/core/HelpFile.h"
#include "platform/Ui.h"
#include "qt/HelpContext.h"

#include <QTextBrowser>
class QWidget;

namespace tsly {

inline constexpr const char* HelpWindowTitle = "Tessaly Help";

class HelpViewer : public QObject {
  Q_OBJECT
 public:
  explicit HelpViewer(Ui& ui, QObject* parent = nullptr);
  ~HelpViewer() override;

  // Help set-up: the owner window of every help call and the help-file path in
  // the program's folder.
  void setup(QWidget* owner, const std::string& programFolder);
  QWidget* owner() const { return owner_; }
  const std::string& helpFile() const { return helpFile_; }

  // The classic help call. Returns false when the file could not be shown
  // (the user has been told) or the command is unknown.
  bool winHelp(QWidget* owner, const std::string& helpFile, int command, unsigned long data);

  // "&Contents" of the "&Help" menu.
  void helpcontents();
  // Topic of a help context number (F1).
  void showContext(int contextId);
  // At exit.
  void quit();

  // Catch F1 in every window of the application.
  void enableF1();

  // The viewer window and its browser while open, else nullptr.
  QWidget* window() const { return window_; }
  QTextBrowser* browser() const { return browser_; }
  // Anchor of the topic shown ("contents" at the contents).
  QString currentTopic() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool open(QWidget* owner, const std::string& helpFile, const QString& topic);

  Ui& ui_;
  QPointer<QWidget> owner_;
  std::string helpFile_;
  QPointer<QWidget> window_;
  QPointer<QTextBrowser> browser_;
  bool f1Enabled_ = false;
};

}  // namespace tsly
