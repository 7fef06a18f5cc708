// Joins the panel display to the main window's widgets: the canvas Picture1 in
// its viewport Picture2, the scroll bars HScroll1 and VScroll1, the status line
// (Label1, through the window), the Clear Picks button and the "Make VELF
// commands" item. The window
// forwards its button, menu, scroll-bar and resize handlers here.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>

#include "display/core/PanelDisplay.h"
#include "display/core/WindowLayout.h"
#include "platform/Ui.h"
#include "shared/State.h"

class QAbstractButton;
class QAction;
class QLabel;
class QScrollBar;
class QWidget;

namespace tsly {

class GraphicsDialog;
class ImageCanvas;

struct DisplayWidgets {
  QWidget* window = nullptr;     // the main window (dialog placement, resize)
  QWidget* viewport = nullptr;   // Picture2
  ImageCanvas* canvas = nullptr; // Picture1, a child of Picture2
  QScrollBar* hscroll = nullptr; // HScroll1
  QScrollBar* vscroll = nullptr; // VScroll1
  std::function<void(const QString&)> status;  // shows a text in Label1
  QAbstractButton* clearPicks = nullptr;
  QAction* velf = nullptr;       // editvelf
};

class DisplaySurface : public QObject, public DisplayHost {
  Q_OBJECT
 public:
  DisplaySurface(AppState& state, Ui& ui, const DisplayWidgets& widgets, QObject* parent = nullptr);
  ~DisplaySurface() override;

  PanelDisplay& display() { return display_; }
  ImageCanvas& canvas() { return *w_.canvas; }
  GraphicsDialog* graphicsDialog() { return dialog_; }

  // "Change Graphics": the graphics parameters dialog, then a redraw after Done.
  void changeGraphics();
  // The main window's size changed; outer size in twips.
  void windowResized(double outerWidthTwips, double outerHeightTwips);
  // The scroll bars for the canvas and viewport as they are now (scrollBarsFor).
  void updateScrollBars();
  // Scroll bars changed.
  void horizontalScrolled(int value);
  void verticalScrolled(int value);

  // DisplayHost
  void setStatusText(const std::string& text) override;
  void setClearPicksEnabled(bool on) override;
  void setVelfEnabled(bool on) override;
  int viewportWidth() const override;
  int viewportHeight() const override;
  void setScrollBars(const ScrollBars& bars) override;
  void displayChanged(DisplayChange what) override;

  // Windows that follow the CDP shown and its picks (velocity function,
  // velocity spectrum) are told every change, in the order they registered.
  void addChangeListener(std::function<void(DisplayChange)> listener);

 private:
  TwipsRect twipsOf(const QWidget* w) const;
  void place(QWidget* w, const TwipsRect& r);

  std::vector<std::function<void(DisplayChange)>> listeners_;

  AppState& s_;
  Ui& ui_;
  DisplayWidgets w_;
  PanelDisplay display_;
  GraphicsDialog* dialog_ = nullptr;
};

}  // namespace tsly
