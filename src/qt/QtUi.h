// The Qt implementation of the dialog interface, and the twips helpers the
// windows use to lay out their controls.
//
// Message boxes show exactly the text, title, buttons and icon asked for (an
// empty title shows "Tessaly"). File dialogs take the "Name|pattern|..." filter
// form and translate it for Qt. Every box is parented to the window given at
// construction (or the active window), so it is modal for the application.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include "platform/Ui.h"
#include "shared/Twips.h"

class QWidget;

namespace tsly {

class QtUi : public Ui {
 public:
  explicit QtUi(QWidget* parent = nullptr);

  void setParentWidget(QWidget* parent);

  Answer message(const std::string& text, const std::string& title, Buttons buttons,
                 Icon icon) override;
  std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;
  FileDialogResult openFileDialog(const FileDialogRequest& request) override;
  FileDialogResult saveFileDialog(const FileDialogRequest& request) override;
  void processEvents() override;
  void setBusyCursor(bool busy) override;
  void beep() override;

  // "Data (*.dat)|*.dat|All (*.*)|*.*" -> {"Data (*.dat) (*.dat)", ...}: one Qt
  // name filter per name/pattern pair. A name that already shows its patterns in
  // brackets is kept as it stands; "*.*" also matches names without a dot.
  static QStringList qtFilters(const std::string& filter);
  // The extension of a Qt name filter's first pattern ("CSV (*.csv)" gives
  // "csv"); empty when that pattern is not "*." and letters or digits.
  static QString filterExtension(const QString& qtFilter);

 private:
  FileDialogResult runFileDialog(const FileDialogRequest& request, bool save);
  QWidget* parentWidget() const;

  QPointer<QWidget> parent_;
  int busyDepth_ = 0;
};

// A rectangle given as left, top, width, height in twips, in pixels.
QRect twipsRect(double left, double top, double width, double height, double dpiX, double dpiY);

// Restores a minimised window and brings it to the front.
void bringToFront(QWidget* window);

}  // namespace tsly
