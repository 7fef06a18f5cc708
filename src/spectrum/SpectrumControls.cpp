#include "spectrum/SpectrumControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "spectrum/core/SpectrumWindowTexts.h"
#include "shared/Numbers.h"

namespace tsly {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

SpectrumControls::SpectrumControls(float stretch, QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  auto button = [&](const char* name, const char* text, void (SpectrumControls::*pressed)()) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, pressed);
    row->addWidget(b);
    return b;
  };
  auto captioned = [&](SpectrumBox which, const char* text, const char* name, int chars) {
    row->addWidget(new QLabel(QString::fromLatin1(text), this));
    boxes_[static_cast<std::size_t>(which) - 1] = box(name, chars);
    row->addWidget(box(which));
  };
  captioned(SpectrumBox::Min, spectrumtext::MinCaption, "vmin", 6);
  captioned(SpectrumBox::Max, spectrumtext::MaxCaption, "vmax", 6);
  captioned(SpectrumBox::Step, spectrumtext::StepCaption, "vstep", 4);
  captioned(SpectrumBox::Stretch, spectrumtext::StretchCaption, "stretch", 4);
  button("apply", spectrumtext::ApplyButton, &SpectrumControls::applyPressed);
  button("panelrange", spectrumtext::PanelRangeButton, &SpectrumControls::panelRangePressed);
  button("choosegather", spectrumtext::GatherButton, &SpectrumControls::gatherPressed);
  savePng_ = button("savepng", spectrumtext::SavePngButton, &SpectrumControls::savePngPressed);
  row->addStretch(1);
  box(SpectrumBox::Stretch)->setText(q(plainNumberText(stretch)));
}

QLineEdit* SpectrumControls::box(SpectrumBox which) const { return boxes_[static_cast<std::size_t>(which) - 1]; }

std::string SpectrumControls::text(SpectrumBox which) const { return box(which)->text().toStdString(); }

QLineEdit* SpectrumControls::box(const char* name, int chars) {
  auto* e = new QLineEdit(this);
  e->setObjectName(QString::fromLatin1(name));
  const int width = e->fontMetrics().horizontalAdvance(QString(chars + 2, QLatin1Char('0')));
  e->setMinimumWidth(width);
  e->setMaximumWidth(width + 20);
  connect(e, &QLineEdit::returnPressed, this, &SpectrumControls::applyPressed);
  return e;
}

void SpectrumControls::show(const VelocityRange& range, float stretch) {
  box(SpectrumBox::Min)->setText(q(plainNumberText(range.min)));
  box(SpectrumBox::Max)->setText(q(plainNumberText(range.max)));
  box(SpectrumBox::Step)->setText(q(plainNumberText(range.step)));
  box(SpectrumBox::Stretch)->setText(q(plainNumberText(stretch)));
}

SpectrumControls::Entry SpectrumControls::read() const {
  Entry e;
  const RangeEntry r =
      readVelocityRange(text(SpectrumBox::Min), text(SpectrumBox::Max), text(SpectrumBox::Step));
  if (!r.ok()) {
    e.message = r.message;
    e.box = r.box;
    return e;
  }
  const StretchEntry st = readStretch(text(SpectrumBox::Stretch));
  if (!st.ok()) {
    e.message = st.message;
    e.box = SpectrumBox::Stretch;
    return e;
  }
  e.range = r.range;
  e.stretch = st.stretch;
  return e;
}

void SpectrumControls::select(SpectrumBox which) {
  box(which)->setFocus();
  box(which)->selectAll();
}

void SpectrumControls::setSaveEnabled(bool on) { savePng_->setEnabled(on); }

}  // namespace tsly
