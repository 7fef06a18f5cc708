// A label for texts that must never be cut: messages and file names. It wraps at
// word boundaries, and anywhere within a word too long for a line (a long path),
// and tells how high it must be at a given width (heightForWidth). A label whose
// height is fixed (ElideMiddle) shows a text that does not fit with its middle
// left out ("..."), keeping the beginning and the end. text() is always the
// whole text; "\n" breaks lines.
#pragma once

#include <QLabel>
#include <QStringList>

namespace tsly {

class WrappingLabel : public QLabel {
  Q_OBJECT
 public:
  enum class Overflow {
    Grow,         // the owner gives it heightForWidth(): nothing is ever left out
    ElideMiddle,  // fixed height: the middle of a text too long is left out
  };

  explicit WrappingLabel(const QString& text, QWidget* parent = nullptr, Overflow overflow = Overflow::Grow);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The lines shown at the label's present size, as painted.
  QStringList shownLines() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The text as shown in `height` pixels at `width` (elided when it must be).
  QString shownText(int width, int height) const;

  Overflow overflow_;
};

}  // namespace tsly
