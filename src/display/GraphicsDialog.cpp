#include "display/GraphicsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>

#include <algorithm>
#include <vector>

#include "display/core/DisplayTexts.h"
#include "qt/HelpContext.h"
#include "qt/QtUi.h"
#include "shared/Numbers.h"

namespace tsly {

namespace {
constexpr int DesignWidth = 3990;
constexpr int DesignHeight = 3585;
}  // namespace

GraphicsDialog::GraphicsDialog(AppState& state, Ui& ui, QWidget* parent)
    : QDialog(parent), s_(state), ui_(ui) {
  setObjectName("tslysele");
  setWindowTitle(displaytext::GraphicsTitle);
  setModal(true);

  frame_ = new QGroupBox(displaytext::GraphicsFrame, this);
  frame_->setObjectName("Frame1");
  auto edit = [&](const char* name) {
    auto* e = new QLineEdit(frame_);
    e->setObjectName(name);
    return e;
  };
  auto label = [&](const char* name, const char* text) {
    auto* l = new QLabel(text, frame_);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
  };
  tracesPerInch_ = edit("Text1");
  tracesPerInchLabel_ = label("Label1", displaytext::TracesPerInchCaption);
  gain_ = edit("Text6");
  gainLabel_ = label("Label6", displaytext::GainCaption);
  timeLength_ = edit("Text2");
  timeLengthLabel_ = label("Label2", displaytext::TimeLengthCaption);
  normalize_ = new QCheckBox(displaytext::NormalizeCaption, frame_);
  normalize_->setObjectName("normalize");
  areafil_ = new QCheckBox(displaytext::AreaFillCaption, frame_);
  areafil_->setObjectName("areafil");
  ratioFrame_ = new QGroupBox(displaytext::SamplingRatioCaption, frame_);
  ratioFrame_->setObjectName("Frame3");
  ratioGroup_ = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    auto* b = new QRadioButton(displaytext::RatioCaptions[i], ratioFrame_);
    b->setObjectName("Option3");
    b->setProperty("index", i);
    ratioGroup_->addButton(b, i);
    ratioButtons_[static_cast<std::size_t>(i)] = b;
    connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) optionClicked(i);
    });
  }
  done_ = new QPushButton(displaytext::DoneCaption, frame_);
  done_->setObjectName("DONE");
  done_->setAutoDefault(false);
  connect(done_, &QPushButton::clicked, this, &GraphicsDialog::doneClicked);

  // Help contexts for F1 on the controls.
  for (QWidget* w :
       {static_cast<QWidget*>(tracesPerInch_), static_cast<QWidget*>(gain_), static_cast<QWidget*>(timeLength_)})
    setHelpContext(w, 12210);
  for (QWidget* w : {static_cast<QWidget*>(normalize_), static_cast<QWidget*>(areafil_), static_cast<QWidget*>(done_)})
    setHelpContext(w, 12220);
  setHelpContext(ratioFrame_, 12230);

  const QRect client = twips(0, 0, DesignWidth, DesignHeight);
  resize(client.size());
  layOut();
}

QRect GraphicsDialog::twips(int left, int top, int width, int height) const {
  // The dialog is laid out at its horizontal DPI in both directions.
  return twipsRect(left, top, width, height, logicalDpiX(), logicalDpiX());
}

void GraphicsDialog::layOut() {
  tracesPerInch_->setGeometry(twips(120, 350, 1000, 372));
  tracesPerInchLabel_->setGeometry(twips(1200, 350, 1416, 372));
  gain_->setGeometry(twips(120, 840, 996, 372));
  gainLabel_->setGeometry(twips(1200, 850, 1452, 372));
  timeLength_->setGeometry(twips(120, 1440, 972, 372));
  timeLengthLabel_->setGeometry(twips(1200, 1440, 1332, 492));
  normalize_->setGeometry(twips(120, 2400, 1572, 252));
  areafil_->setGeometry(twips(120, 2760, 1212, 252));
  ratioFrame_->setGeometry(twips(1800, 1920, 1692, 1212));
  ratioButtons_[0]->setGeometry(twips(120, 240, 612, 372));
  ratioButtons_[1]->setGeometry(twips(840, 240, 612, 372));
  ratioButtons_[3]->setGeometry(twips(120, 720, 612, 372));
  ratioButtons_[2]->setGeometry(twips(840, 720, 612, 372));
  done_->setGeometry(twips(2640, 360, 996, 372));
  const QRect f = twips(120, 120, 3732, 3288);
  frame_->setGeometry(f);
  fitCaptions();
}

// Fonts here are often wider than the design sizes allow for: a caption that
// would be cut gets the room it needs (labels grow downwards, the check boxes
// and option buttons to the right), so every caption is shown whole.
void GraphicsDialog::fitCaptions() {
  for (QLabel* l : {tracesPerInchLabel_, gainLabel_, timeLengthLabel_}) {
    QRect g = l->geometry();
    g.setHeight(std::max(g.height(), l->heightForWidth(g.width())));
    l->setGeometry(g);
  }
  std::vector<QAbstractButton*> buttons = {normalize_, areafil_};
  for (QRadioButton* b : ratioButtons_) buttons.push_back(b);
  for (QAbstractButton* b : buttons) {
    QRect g = b->geometry();
    const QSize hint = b->sizeHint();
    g.setWidth(std::max(g.width(), hint.width()));
    g.setHeight(std::max(g.height(), hint.height()));
    b->setGeometry(g);
  }
}

void GraphicsDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int w = event->size().width();
  QRect f = frame_->geometry();
  f.setLeft(static_cast<int>(nearest(0.02 * w)));
  f.setWidth(static_cast<int>(nearest(0.95 * w)));
  frame_->setGeometry(f);
}

void GraphicsDialog::fill(const GraphicsEntries& e) {
  tracesPerInch_->setText(QString::fromStdString(e.tracesPerInch));
  gain_->setText(QString::fromStdString(e.gain));
  areafil_->setChecked(e.areaFill != 0);
  normalize_->setChecked(e.normalize != 0);
  timeLength_->setText(QString::fromStdString(e.timeLength));
  if (e.option >= 0 && e.option < 4) {
    QRadioButton* b = ratioButtons_[static_cast<std::size_t>(e.option)];
    if (b->isChecked())
      optionClicked(e.option);  // selecting it again stores the same value again
    else
      b->setChecked(true);
  } else {
    ratioGroup_->setExclusive(false);
    for (QRadioButton* b : ratioButtons_) b->setChecked(false);
    ratioGroup_->setExclusive(true);
  }
}

GraphicsEntries GraphicsDialog::entries() const {
  GraphicsEntries e;
  e.tracesPerInch = tracesPerInch_->text().toStdString();
  e.gain = gain_->text().toStdString();
  e.timeLength = timeLength_->text().toStdString();
  e.normalize = normalize_->isChecked() ? 1 : 0;
  e.areaFill = areafil_->isChecked() ? 1 : 0;
  e.option = ratioGroup_->checkedId();
  return e;
}

void GraphicsDialog::optionClicked(int index) { s_.SamplingRatio = ratioForOption(index); }

void GraphicsDialog::doneClicked() {
  tracesPerInch_->setText(QString::fromStdString(limitTracesPerInch(tracesPerInch_->text().toStdString())));
  accept();
}

bool GraphicsDialog::run(int dpi, const QPoint& topLeft) {
  fill(graphicsEntriesFrom(s_, dpi));
  move(topLeft);
  if (exec() != QDialog::Accepted) return false;
  applyGraphicsEntries(s_, entries(), dpi);
  return true;
}

void GraphicsDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  // The dialog's own surface was repainted (not merely one control inside it).
  const QRect r = event->rect();
  bool insideControl = false;
  for (QObject* o : children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w->isVisible() && w->geometry().contains(r)) insideControl = true;
  }
  if (!insideControl) ui_.beep();
}

void GraphicsDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange) ui_.beep();
}

}  // namespace tsly
