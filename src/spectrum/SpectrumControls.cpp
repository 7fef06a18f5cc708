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
  auto captioned = [&](const char* text, const char* name, int chars) {
    row->addWidget(new QLabel(QString::fromLatin1(text), this));
    QLineEdit* e = box(name, chars);
    row->addWidget(e);
    return e;
  };
  vmin_ = captioned(spectrumtext::MinCaption, "vmin", 6);
  vmax_ = captioned(spectrumtext::MaxCaption, "vmax", 6);
  vstep_ = captioned(spectrumtext::StepCaption, "vstep", 4);
  stretch_ = captioned(spectrumtext::StretchCaption, "stretch", 4);
  button("apply", spectrumtext::ApplyButton, &SpectrumControls::applyPressed);
  button("panelrange", spectrumtext::PanelRangeButton, &SpectrumControls::panelRangePressed);
  button("choosegather", spectrumtext::GatherButton, &SpectrumControls::gatherPressed);
  savePng_ = button("savepng", spectrumtext::SavePngButton, &SpectrumControls::savePngPressed);
  row->addStretch(1);
  stretch_->setText(q(plainNumberText(stretch)));
}

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
  vmin_->setText(q(plainNumberText(range.min)));
  vmax_->setText(q(plainNumberText(range.max)));
  vstep_->setText(q(plainNumberText(range.step)));
  stretch_->setText(q(plainNumberText(stretch)));
}

SpectrumControls::Entry SpectrumControls::read() const {
  Entry e;
  const RangeEntry r =
      readVelocityRange(vmin_->text().toStdString(), vmax_->text().toStdString(), vstep_->text().toStdString());
  if (!r.ok()) {
    e.message = r.message;
    e.box = r.box;
    return e;
  }
  const StretchEntry st = readStretch(stretch_->text().toStdString());
  if (!st.ok()) {
    e.message = st.message;
    e.box = SpectrumBox::Stretch;
    return e;
  }
  e.range = r.range;
  e.stretch = st.stretch;
  return e;
}

void SpectrumControls::select(SpectrumBox box) {
  QLineEdit* e = box == SpectrumBox::Min     ? vmin_
                 : box == SpectrumBox::Max   ? vmax_
                 : box == SpectrumBox::Step  ? vstep_
                                             : stretch_;
  e->setFocus();
  e->selectAll();
}

void SpectrumControls::setSaveEnabled(bool on) { savePng_->setEnabled(on); }

}  // namespace tsly
