// The splash window (cpyright): the first window of the process. It makes
// itself topmost, brings up the main window, shows the banner and disclaimer
// centred on the screen for 4 seconds while events keep running, and closes.
// A press in the OK box ends the wait at once; a press in the Pause box holds
// it (with a beep) until OK is pressed.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "platform/Ui.h"
#include "startup/core/SplashCore.h"

namespace tsly::startup {

// The picture of the splash: banner, disclaimer, the OK and Pause boxes.
class SplashPicture : public QWidget {
  Q_OBJECT
 public:
  explicit SplashPicture(QWidget* parent = nullptr);
  SplashBoxes boxes() const;

 signals:
  void pressed(double x, double y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SplashWindow(Ui& ui, QWidget* parent = nullptr);

  // The whole splash: topmost, showMain() (the main window's start-up runs
  // there, before the splash is painted), centred and shown, the wait, closed.
  void run(const std::function<void()>& showMain);

  // Centres the window on its screen.
  void centreOnScreen();
  // The wait alone: returns when it is over, letting events run meanwhile.
  // durationMs is the time the splash stays by itself.
  void waitOut(qint64 durationMs = SplashWaitMs);

  // A press in the picture at (x, y) in picture pixels.
  void pressAt(double x, double y);

  SplashPicture* picture() const { return picture_; }
  const SplashWait& wait() const { return wait_; }
  bool waiting() const { return loop_ != nullptr; }

 private:
  void check();

  Ui& ui_;
  SplashPicture* picture_;
  SplashWait wait_;
  QElapsedTimer clock_;
  QTimer timer_;
  QEventLoop* loop_ = nullptr;
};

// Runs the splash over the main window and discards it afterwards.
void showSplash(Ui& ui, const std::function<void()>& showMain);

}  // namespace tsly::startup
