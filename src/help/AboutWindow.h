// The About window (`About`): a fixed-size modal window showing the About
// picture "rvlabout.bmp" from its top-left corner and one button, `Command1`
// ("OK").
//
// Size: 388 pixels wide outside, 253 pixels high inside, at any DPI. The sizes
// are worked out in twips (1440 to the inch) from the window's logical pixels
// per inch, as the rest of the layout is, and turned back into pixels.
//
// Picture: systemdirectory() + "rvlabout.bmp"; when that file does not exist,
// "rvlabout.bmp" in the current directory; when that is missing too, or a file
// cannot be loaded, no picture and no message.
//
// "OK" shows the disclaimer, then closes the window. A click anywhere else shows
// the credits titled "About". The close box just closes. fileabout() makes a new
// window for every use and discards it afterwards.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <string>

#include "help/core/AboutTexts.h"
#include "platform/Ui.h"

class QPushButton;

namespace tsly {

inline constexpr const char* AboutPictureName = "rvlabout.bmp";
inline constexpr int AboutOuterWidthPx = 388;
inline constexpr int AboutInnerHeightPx = 253;

// The program's installed data folder (where the executable lies), ending in "/".
std::string systemdirectory();

// Sizes of the window in twips for the given logical pixels per inch and frame
// (outer minus inner) sizes in pixels.
struct AboutGeometry {
  double twipsPerPixelX = 15.0;
  double twipsPerPixelY = 15.0;
  double outerWidthTwips = 0.0;
  double outerHeightTwips = 0.0;
};
AboutGeometry aboutGeometry(int dpiX, int dpiY, int frameWidthPx, int frameHeightPx);

struct AboutOptions {
  std::string systemDir;  // empty: systemdirectory()
  int dpiX = 0;           // 0: the window's own logical pixels per inch
  int dpiY = 0;
};

class AboutWindow : public QDialog {
  Q_OBJECT
 public:
  AboutWindow(Ui& ui, QWidget* parent = nullptr, const AboutOptions& options = {});

  QPushButton* okButton() const { return ok_; }
  bool hasPicture() const { return !picture_.isNull(); }
  // The file the picture came from (empty without one).
  const QString& picturePath() const { return picturePath_; }
  const AboutGeometry& geometryTwips() const { return geometry_; }
  // Frame (outer minus inner) sizes the window was laid out with.
  QSize frameExtra() const { return frameExtra_; }

  // Lays the window out again (the frame is known only once the window is shown).
  void applySize();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void loadPicture(const std::string& systemDir);
  void okClicked();

  Ui& ui_;
  AboutOptions options_;
  QPushButton* ok_ = nullptr;
  QPixmap picture_;
  QString picturePath_;
  AboutGeometry geometry_;
  QSize frameExtra_;
};

// "&About" of the "&Help" menu: a new About window centred over the main
// window, captioned AboutCaption, shown modally and discarded afterwards.
void fileabout(Ui& ui, QWidget* mainWindow, const AboutOptions& options = {});

}  // namespace tsly
