// Paints a Figure (shared/Figure.h) with Qt's painter: the pictures a window
// shows and those tsly writes come out of the same code. Needs a GUI
// application object (for the font), but no window.
#pragma once

#include <string>

#include <QFont>
#include <QFontMetrics>
#include <QImage>

#include "shared/Figure.h"

namespace tsly {

// The font every figure is measured and drawn in: the application's font at
// 12 pixels, whatever the screen, so that the same figure gives the same pixels
// in a window and on a command line.
QFont figureFont();

// The measures of figureFont().
class FigureTextMeasure : public TextMeasure {
 public:
  FigureTextMeasure();
  int width(const std::string& text) const override;
  int height() const override;

 private:
  QFontMetrics metrics_;
};

// The figure on an image of its size, filled with its background first.
QImage paintFigure(const Figure& figure);

}  // namespace tsly
