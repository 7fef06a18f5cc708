#include "qt/WrappingLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace tsly {

namespace {

constexpr QChar Ellipsis(0x2026);

struct Laid {
  QStringList lines;
  int height = 0;
};

// Lays `text` out in lines no wider than `width`: at word boundaries where it
// can, anywhere in a word where it must.
Laid layOut(const QString& text, const QFont& font, int width) {
  Laid laid;
  const QFontMetrics fm(font);
  QString t = text;
  t.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(t, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(std::max(width, 1));
    QString s = t.mid(line.textStart(), line.textLength());
    while (!s.isEmpty() && (s.back() == QChar::LineSeparator || s.back().isSpace())) s.chop(1);
    laid.lines << s;
  }
  layout.endLayout();
  if (laid.lines.isEmpty()) laid.lines << QString();
  laid.height = static_cast<int>(laid.lines.size()) * fm.lineSpacing();
  return laid;
}

}  // namespace

WrappingLabel::WrappingLabel(const QString& text, QWidget* parent, Overflow overflow)
    : QLabel(text, parent), overflow_(overflow) {
  setTextFormat(Qt::PlainText);
  QSizePolicy policy = sizePolicy();
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

int WrappingLabel::heightForWidth(int width) const {
  const QMargins m = contentsMargins();
  return layOut(text(), font(), width - m.left() - m.right()).height + m.top() + m.bottom();
}

QSize WrappingLabel::sizeHint() const {
  const QFontMetrics fm(font());
  const QMargins m = contentsMargins();
  int widest = 0;
  for (const QString& line : text().split(QLatin1Char('\n'))) widest = std::max(widest, fm.horizontalAdvance(line));
  const int w = widest + m.left() + m.right();
  return {w, heightForWidth(w)};
}

QSize WrappingLabel::minimumSizeHint() const {
  const QFontMetrics fm(font());
  return {fm.horizontalAdvance(QStringLiteral("MM")), fm.lineSpacing()};
}

QString WrappingLabel::shownText(int width, int height) const {
  const QString whole = text();
  if (overflow_ == Overflow::Grow || layOut(whole, font(), width).height <= height) return whole;
  // Keep as much of both ends as fits around the ellipsis.
  const qsizetype length = whole.size();
  qsizetype lo = 0, hi = length;
  auto candidate = [&](qsizetype kept) {
    const qsizetype head = (kept + 1) / 2, tail = kept / 2;
    return whole.left(head) + Ellipsis + whole.right(tail);
  };
  while (lo < hi) {
    const qsizetype mid = (lo + hi + 1) / 2;
    if (layOut(candidate(mid), font(), width).height <= height)
      lo = mid;
    else
      hi = mid - 1;
  }
  return candidate(lo);
}

QStringList WrappingLabel::shownLines() const {
  const QRect r = contentsRect();
  return layOut(shownText(r.width(), r.height()), font(), r.width()).lines;
}

void WrappingLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(font());
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
  const QRect r = contentsRect();
  const Laid laid = layOut(shownText(r.width(), r.height()), font(), r.width());
  const QFontMetrics fm(font());
  int y = r.top();
  if (alignment() & Qt::AlignVCenter) y += std::max(0, (r.height() - laid.height) / 2);
  else if (alignment() & Qt::AlignBottom) y += std::max(0, r.height() - laid.height);
  for (const QString& line : laid.lines) {
    p.drawText(QRect(r.left(), y, r.width(), fm.lineSpacing()), static_cast<int>(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter, line);
    y += fm.lineSpacing();
  }
}

}  // namespace tsly
