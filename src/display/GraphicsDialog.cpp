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

  frame1_ = new QGroupBox(displaytext::GraphicsFrame, this);
  frame1_->setObjectName("Frame1");
  auto edit = [&](const char* name) {
    auto* e = new QLineEdit(frame1_);
    e->setObjectName(name);
    return e;
  };
  auto label = [&](const char* name, const char* text) {
    auto* l = new QLabel(text, frame1_);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
  };
  text1_ = edit("Text1");
  label1_ = label("Label1", displaytext::TracesPerInchCaption);
  text6_ = edit("Text6");
  label6_ = label("Label6", displaytext::GainCaption);
  text2_ = edit("Text2");
  label2_ = label("Label2", displaytext::TimeLengthCaption);
  normalize_ = new QCheckBox(displaytext::NormalizeCaption, frame1_);
  normalize_->setObjectName("normalize");
  areafil_ = new QCheckBox(displaytext::AreaFillCaption, frame1_);
  areafil_->setObjectName("areafil");
  frame3_ = new QGroupBox(displaytext::SamplingRatioCaption, frame1_);
  frame3_->setObjectName("Frame3");
  options_ = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    auto* b = new QRadioButton(displaytext::RatioCaptions[i], frame3_);
    b->setObjectName("Option3");
    b->setProperty("index", i);
    options_->addButton(b, i);
    option3_[static_cast<std::size_t>(i)] = b;
    connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) optionClicked(i);
    });
  }
  done_ = new QPushButton(displaytext::DoneCaption, frame1_);
  done_->setObjectName("DONE");
  done_->setAutoDefault(false);
  connect(done_, &QPushButton::clicked, this, &GraphicsDialog::doneClicked);

  // Help contexts for F1 on the controls.
  for (QWidget* w : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(text6_), static_cast<QWidget*>(text2_)})
    setHelpContext(w, 12210);
  for (QWidget* w : {static_cast<QWidget*>(normalize_), static_cast<QWidget*>(areafil_), static_cast<QWidget*>(done_)})
    setHelpContext(w, 12220);
  setHelpContext(frame3_, 12230);

  const QRect client = twips(0, 0, DesignWidth, DesignHeight);
  resize(client.size());
  layOut();
}

QRect GraphicsDialog::twips(int left, int top, int width, int height) const {
  // The dialog is laid out at its horizontal DPI in both directions.
  return twipsRect(left, top, width, height, logicalDpiX(), logicalDpiX());
}

void GraphicsDialog::layOut() {
  text1_->setGeometry(twips(120, 350, 1000, 372));
  label1_->setGeometry(twips(1200, 350, 1416, 372));
  text6_->setGeometry(twips(120, 840, 996, 372));
  label6_->setGeometry(twips(1200, 850, 1452, 372));
  text2_->setGeometry(twips(120, 1440, 972, 372));
  label2_->setGeometry(twips(1200, 1440, 1332, 492));
  normalize_->setGeometry(twips(120, 2400, 1572, 252));
  areafil_->setGeometry(twips(120, 2760, 1212, 252));
  frame3_->setGeometry(twips(1800, 1920, 1692, 1212));
  option3_[0]->setGeometry(twips(120, 240, 612, 372));
  option3_[1]->setGeometry(twips(840, 240, 612, 372));
  option3_[3]->setGeometry(twips(120, 720, 612, 372));
  option3_[2]->setGeometry(twips(840, 720, 612, 372));
  done_->setGeometry(twips(2640, 360, 996, 372));
  const QRect f = twips(120, 120, 3732, 3288);
  frame1_->setGeometry(f);
  fitCaptions();
}

// Fonts here are often wider than the design sizes allow for: a caption that
// would be cut gets the room it needs (labels grow downwards, the check boxes
// and option buttons to the right), so every caption is shown whole.
void GraphicsDialog::fitCaptions() {
  for (QLabel* l : {label1_, label6_, label2_}) {
    QRect g = l->geometry();
    g.setHeight(std::max(g.height(), l->heightForWidth(g.width())));
    l->setGeometry(g);
  }
  std::vector<QAbstractButton*> buttons = {normalize_, areafil_};
  for (QRadioButton* b : option3_) buttons.push_back(b);
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
  QRect f = frame1_->geometry();
  f.setLeft(static_cast<int>(nearest(0.02 * w)));
  f.setWidth(static_cast<int>(nearest(0.95 * w)));
  frame1_->setGeometry(f);
}

void GraphicsDialog::fill(const GraphicsEntries& e) {
  text1_->setText(QString::fromStdString(e.tracesPerInch));
  text6_->setText(QString::fromStdString(e.gain));
  areafil_->setChecked(e.areaFill != 0);
  normalize_->setChecked(e.normalize != 0);
  text2_->setText(QString::fromStdString(e.timeLength));
  if (e.option >= 0 && e.option < 4) {
    QRadioButton* b = option3_[static_cast<std::size_t>(e.option)];
    if (b->isChecked())
      optionClicked(e.option);  // selecting it again stores the same value again
    else
      b->setChecked(true);
  } else {
    options_->setExclusive(false);
    for (QRadioButton* b : option3_) b->setChecked(false);
    options_->setExclusive(true);
  }
}

GraphicsEntries GraphicsDialog::entries() const {
  GraphicsEntries e;
  e.tracesPerInch = text1_->text().toStdString();
  e.gain = text6_->text().toStdString();
  e.timeLength = text2_->text().toStdString();
  e.normalize = normalize_->isChecked() ? 1 : 0;
  e.areaFill = areafil_->isChecked() ? 1 : 0;
  e.option = options_->checkedId();
  return e;
}

void GraphicsDialog::optionClicked(int index) { s_.SamplingRatio = ratioForOption(index); }

void GraphicsDialog::doneClicked() {
  text1_->setText(QString::fromStdString(limitTracesPerInch(text1_->text().toStdString())));
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
