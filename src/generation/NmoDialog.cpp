#include "generation/NmoDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "generation/core/GenerationTexts.h"
#include "qt/QtUi.h"
#include "shared/Numbers.h"
#include "platform/Paths.h"
#include "shared/FileUtil.h"

namespace tsly {

namespace {

// Design size of the client area, in twips.
constexpr double ClientWidthTwips = 6225;
constexpr double ClientHeightTwips = 7380;
constexpr int MaxEntries = 20;

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }
double value(const QLineEdit* box) { return readNumber(ss(box->text())); }

// A caption at its design place. Fonts are often wider than the design's:
// a caption that does not fit grows within `room` (the space up to its
// neighbours), first in width, then onto more lines, so no word is cut.
QLabel* caption(QWidget* parent, const char* text, const QRect& design, const QRect& room,
                Qt::Alignment align = Qt::AlignLeft) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setAlignment(align | Qt::AlignTop);
  const QFontMetrics fm(l->font());
  QRect r = design;
  const int need = fm.horizontalAdvance(l->text());
  if (need > r.width()) {
    const int width = std::min(need, room.width());
    r.setWidth(width);
    // A centred caption stays centred over its box; a left one keeps its left edge.
    r.moveLeft(align & Qt::AlignHCenter ? design.center().x() - width / 2 : design.left());
    if (r.left() < room.left()) r.moveLeft(room.left());
    if (r.right() > room.right()) r.moveRight(room.right());
    if (need > width) {
      l->setWordWrap(true);
      r.setHeight(std::min(std::max(design.height(), l->heightForWidth(width)), room.bottom() - r.top() + 1));
    }
  }
  l->setGeometry(r);
  return l;
}

QLabel* caption(QWidget* parent, const char* text, const QRect& design) { return caption(parent, text, design, design); }

// The output file name: the whole path in text() and in the tool tip; drawn
// elided in the middle when it is wider than the label.
class PathLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (toolTip() != text()) setToolTip(text());
    const QFontMetrics fm(font());
    if (fm.horizontalAdvance(text()) <= contentsRect().width()) {
      QLabel::paintEvent(event);
      return;
    }
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    p.drawText(contentsRect(), static_cast<int>(alignment()),
               fm.elidedText(text(), Qt::ElideMiddle, contentsRect().width()));
  }
};

}  // namespace

SpinButton::SpinButton(QWidget* parent) : QWidget(parent) {
  up_ = new QToolButton(this);
  up_->setObjectName(QStringLiteral("up"));
  up_->setArrowType(Qt::UpArrow);
  up_->setAutoRepeat(true);
  down_ = new QToolButton(this);
  down_->setObjectName(QStringLiteral("down"));
  down_->setArrowType(Qt::DownArrow);
  down_->setAutoRepeat(true);
  connect(up_, &QToolButton::clicked, this, &SpinButton::upClicked);
  connect(down_, &QToolButton::clicked, this, &SpinButton::downClicked);
}

void SpinButton::resizeEvent(QResizeEvent* event) {
  const int w = event->size().width(), h = event->size().height();
  up_->setGeometry(0, 0, w, h / 2);
  down_->setGeometry(0, h / 2, w, h - h / 2);
}

NmoDialog::NmoDialog(AppState& state, Ui& ui, QWidget* parent) : QDialog(parent), s_(state), ui_(ui) {
  setObjectName(QStringLiteral("nmosele"));
  setWindowTitle(QString::fromUtf8(gentext::DialogTitle));
  setModal(true);
  buildMenu();
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  client_->setFixedSize(twips(0, 0, ClientWidthTwips, ClientHeightTwips).size());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  layout->addWidget(client_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  buildCountRow();
  buildColumnsAndRun();
  connectRules();
  setCreationValues();
}

void NmoDialog::buildMenu() {
  menuBar_ = new QMenuBar(this);
  files_ = menuBar_->addMenu(QStringLiteral("&Files"));
  files_->setObjectName(QStringLiteral("files"));
  fileout_ = files_->addAction(QStringLiteral("Output File Name"));
  fileout_->setObjectName(QStringLiteral("fileout"));
  fileexit_ = files_->addAction(QStringLiteral("&Exit"));
  fileexit_->setObjectName(QStringLiteral("fileexit"));
  connect(fileout_, &QAction::triggered, this, &NmoDialog::fileout);
  connect(fileexit_, &QAction::triggered, this, &NmoDialog::fileexit);
}

template <class Field>
Field* NmoDialog::field(const char* name, const QRect& r, int index) {
  auto* f = new Field(client_);
  f->setObjectName(QString::fromUtf8(name));
  if (index >= 0) f->setProperty("index", index);
  f->setGeometry(r);
  return f;
}

// Counts, CDPs per panel and stretch ratio, each with its spin button.
void NmoDialog::buildCountRow() {
  caption(client_, "# CDP Panels", twips(240, 120, 1572, 372));
  caption(client_, "# of Velocities", twips(1920, 120, 1572, 372));
  caption(client_, "# of CDPs /Panel", twips(3600, 120, 1092, 372), twips(3510, 120, 1272, 480), Qt::AlignHCenter);
  caption(client_, "NMO Stretch Ratio", twips(4800, 120, 1212, 372), twips(4800, 120, 1410, 480));
  const double countLeft[2] = {480, 1920}, spinLeft[2] = {1080, 2520};
  for (int i = 0; i < 2; ++i) {
    countBoxes_[i] = field<QLineEdit>("Text1", twips(countLeft[i], 600, 612, 372), i);
    countSpins_[i] = field<SpinButton>("Spin1", twips(spinLeft[i], 600, 252, 372), i);
  }
  cdpsPerPanel_ = field<QLineEdit>("Text2", twips(3600, 600, 492, 372));
  cdpsPerPanelSpin_ = field<SpinButton>("Spin2", twips(4080, 600, 252, 372));
  stretch_ = field<QLineEdit>("Text5", twips(4800, 600, 612, 372));
  stretchSpin_ = field<SpinButton>("Spin3", twips(5400, 600, 252, 372));
}

// The two entry columns (entry 0 of each), the output length, the information
// label, the run buttons, "Stack CDPs" and the output file name.
void NmoDialog::buildColumnsAndRun() {
  caption(client_, "Start CDP of Panel", twips(120, 1200, 1692, 252), twips(60, 1200, 1830, 252));
  caption(client_, "Trial Velocity", twips(1920, 1200, 1572, 252), twips(1920, 1200, 1890, 252));
  startCdpsFirst_ = twips(480, 1440, 852, 288);
  velocitiesFirst_ = twips(1920, 1440, 852, 288);
  startCdps_.push_back(newEntry("Text3", 0, startCdpsFirst_));
  velocities_.push_back(newEntry("Text4", 0, velocitiesFirst_));
  caption(client_, "Output Length (mS)", twips(3840, 1200, 1932, 252), twips(3840, 1200, 2370, 252));
  lengthMs_ = field<QLineEdit>("Text6", twips(3960, 1440, 1092, 288));
  info_ = field<QLabel>("Label4", twips(3960, 1920, 1932, 852));
  info_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  process_ = field<QPushButton>("process", twips(3840, 2880, 1812, 492));
  process_->setText(QStringLiteral("Generate Panels"));
  process_->setAutoDefault(false);
  stopnmo_ = field<QPushButton>("stopnmo", twips(3840, 3480, 1812, 372));
  stopnmo_->setText(QStringLiteral("STOP Processing"));
  stopnmo_->setAutoDefault(false);
  stopnmo_->hide();
  stackcheck_ = field<QCheckBox>("stackcheck", twips(3120, 6240, 1692, 252));
  stackcheck_->setText(QStringLiteral("Stack CDPs"));
  caption(client_, "Output File Name:", twips(3120, 6600, 1695, 255), twips(3120, 6600, 3090, 330));
  outputFile_ = field<PathLabel>("Label7", twips(3120, 6960, 3135, 375));
  outputFile_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

// Change rules and buttons.
void NmoDialog::connectRules() {
  for (int i = 0; i < 2; ++i) {
    connect(countBoxes_[i], &QLineEdit::textChanged, this, [this, i] { countChanged(i); });
    connect(countSpins_[i], &SpinButton::upClicked, this, [this, i] { countUp(i); });
    connect(countSpins_[i], &SpinButton::downClicked, this, [this, i] { countDown(i); });
  }
  connect(cdpsPerPanel_, &QLineEdit::textChanged, this, &NmoDialog::cdpsChanged);
  connect(stretch_, &QLineEdit::textChanged, this, &NmoDialog::stretchChanged);
  connect(cdpsPerPanelSpin_, &SpinButton::upClicked, this, &NmoDialog::cdpsPerPanelUp);
  connect(cdpsPerPanelSpin_, &SpinButton::downClicked, this, &NmoDialog::cdpsPerPanelDown);
  connect(stretchSpin_, &SpinButton::upClicked, this, &NmoDialog::stretchUp);
  connect(stretchSpin_, &SpinButton::downClicked, this, &NmoDialog::stretchDown);
  connect(process_, &QPushButton::clicked, this, &NmoDialog::process);
  connect(stopnmo_, &QPushButton::clicked, this, &NmoDialog::stopnmo);
}

// The values of a new dialog, set through the change rules as typing would.
void NmoDialog::setCreationValues() {
  countBoxes_[0]->setText(QStringLiteral("1"));
  countBoxes_[1]->setText(QStringLiteral("1"));
  startCdps_[0]->setText(QStringLiteral("0"));
  startCdps_[0]->setText(qs(numberText(static_cast<short>(s_.MinKey))));
  velocities_[0]->setText(QStringLiteral("1000"));
  cdpsPerPanel_->setText(QStringLiteral("25"));
  stretch_->setText(QStringLiteral(".50"));
  info_->setText(qs(gentext::cdpRangeText(s_.MinKey, s_.MaxKey)));
  // The label shows the name the run writes: its file name in capitals.
  outputFile_->setText(qs(generationOutputName(joinPath(s_.LastPath, gentext::DefaultOutputFileName), true)));
  lengthMs_->setText(QStringLiteral("0"));
  lengthMs_->setText(qs(plainNumberText((static_cast<double>(s_.SampleInterval) / 1000.0) * s_.NumSamples)));
  stackcheck_->setChecked(true);
  process_->setEnabled(s_.TraceCount > 0);
}

QRect NmoDialog::twips(double left, double top, double width, double height) const {
  return twipsRect(left, top, width, height, logicalDpiX(), logicalDpiY());
}

QLineEdit* NmoDialog::newEntry(const char* name, int index, const QRect& first) {
  auto* e = new QLineEdit(client_);
  e->setObjectName(QString::fromUtf8(name));
  e->setProperty("index", index);
  // Entry k sits directly below entry 0, k heights down: the boxes touch.
  e->setGeometry(first.translated(0, index * first.height()));
  e->show();
  return e;
}

void NmoDialog::setBox(QLineEdit* box, const std::string& text, bool cursorToEnd) {
  // Setting the same text again changes nothing (and runs no change rule).
  if (ss(box->text()) != text) box->setText(qs(text));
  if (cursorToEnd) box->setCursorPosition(static_cast<int>(box->text().size()));
}

void NmoDialog::prepareOpening() {
  info_->setText(qs(gentext::cdpRangeText(s_.MinKey, s_.MaxKey)));
  // A file opened since the dialog was made may have traces now (or none).
  if (!running_) process_->setEnabled(s_.TraceCount > 0);
}

// Modal for the application, without a nested event loop: the caller (the
// Open command, the menu item) goes on at once, and the dialog's own buttons run
// from the main event loop.
void NmoDialog::showDialog() {
  prepareOpening();
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
}

// Text1 box 0 drives the start-CDP column, box 1 the velocity column.
void NmoDialog::countChanged(int box) {
  QLineEdit* t = countBoxes_[box];
  int n = nearestI16(value(t));
  if (n > MaxEntries) {
    setBox(t, "20");
    n = MaxEntries;
  }
  if (n < 1) {
    setBox(t, "1");
    n = 1;
  }
  resizeColumn(box == 0 ? startCdps_ : velocities_, n, box == 0);
}

void NmoDialog::resizeColumn(std::vector<QLineEdit*>& column, int n, bool startCdps) {
  const int m = static_cast<int>(column.size());
  if (n < m) {
    while (static_cast<int>(column.size()) > n) {
      delete column.back();
      column.pop_back();
    }
    return;
  }
  const float last = static_cast<float>(value(column[static_cast<size_t>(m - 1)]));
  const float before = m >= 2 ? static_cast<float>(value(column[static_cast<size_t>(m - 2)])) : 0.0f;
  const float perPanel = static_cast<float>(value(cdpsPerPanel_));
  for (int k = m; k < n; ++k) {
    const float steps = static_cast<float>(k - m + 1);
    float v;
    if (startCdps) {
      v = last + steps * perPanel;  // panels follow each other without gap or overlap
    } else if (m < 2) {
      v = last + steps * 500.0f;
    } else {
      v = last + (last - before) * steps;  // the step of the last two entries
    }
    QLineEdit* e = newEntry(startCdps ? "Text3" : "Text4", k, startCdps ? startCdpsFirst_ : velocitiesFirst_);
    e->setText(qs(numberText(v)));
    column.push_back(e);
  }
}

void NmoDialog::cdpsChanged() {
  int n = nearestI16(value(cdpsPerPanel_));
  if (n > 50) n = 50;
  if (n < 0) n = 5;
  setBox(cdpsPerPanel_, numberText(static_cast<short>(n)), true);
}

void NmoDialog::stretchChanged() {
  const std::string text = ss(stretch_->text());
  float x = static_cast<float>(readNumber(text));
  if (stretch_->text().size() == 1 && x == 0.0f) return;  // a lone "." or "0" while typing
  if (x > 0.99f) x = 0.99f;
  if (x < 0.1f) x = 0.1f;
  setBox(stretch_, numberText(x), true);
}

void NmoDialog::countUp(int box) {
  int n = nearestI16(value(countBoxes_[box]) + 1);
  setBox(countBoxes_[box], n < 21 ? numberText(static_cast<short>(n)) : std::string("1"));
}

void NmoDialog::countDown(int box) {
  int n = nearestI16(value(countBoxes_[box]) - 1);
  setBox(countBoxes_[box], n > 0 ? numberText(static_cast<short>(n)) : std::string("20"));
}

void NmoDialog::cdpsPerPanelUp() {
  int n = nearestI16(value(cdpsPerPanel_) + 5);
  if (n > 50) n = 5;
  setBox(cdpsPerPanel_, numberText(static_cast<short>(n)));
}

void NmoDialog::cdpsPerPanelDown() {
  int n = nearestI16(value(cdpsPerPanel_) - 5);
  if (n < 5) n = 50;
  setBox(cdpsPerPanel_, numberText(static_cast<short>(n)));
}

void NmoDialog::stretchUp() {
  float x = static_cast<float>(value(stretch_)) + 0.1f;
  setBox(stretch_, x <= 0.99f ? numberText(x) : std::string(".1"));
}

void NmoDialog::stretchDown() {
  float x = static_cast<float>(value(stretch_)) - 0.1f;
  setBox(stretch_, x < 0.1f ? std::string(".99") : numberText(x));
}

void NmoDialog::fileout() {
  FileDialogRequest r;
  r.title = gentext::OutputDialogTitle;
  r.filter = gentext::OutputDialogFilter;
  r.filterIndex = 1;
  r.defaultExt = gentext::OutputDialogDefaultExt;
  r.initialDir = s_.LastPath;
  // The output file usually does not exist yet. An existing one is not
  // replaced without asking: "Generate Panels" asks before it empties it.
  r.mustExist = false;
  const FileDialogResult res = askFileName(ui_, FileDialogKind::Open, r);
  if (res.status != FileDialogResult::Status::Chosen) return;
  s_.LastPath = folderOf(res.path);
  outputFile_->setText(qs(generationOutputName(res.path, true)));
}

void NmoDialog::fileexit() {
  // During a run "&Exit" stops it as "STOP Processing" does: the dialog stays
  // with its progress until the run has finished its velocity block, then hides.
  if (running_) {
    stopnmo();
    return;
  }
  hide();
}

void NmoDialog::stopnmo() { stopFlag_ = true; }

void NmoDialog::reject() {
  if (running_) {
    stopnmo();
    return;
  }
  QDialog::reject();
}

GenerationParams NmoDialog::entries() const {
  GenerationParams p;
  const int panels = std::min<int>(nearestI16(value(countBoxes_[0])), panelEntryCount());
  const int vels = std::min<int>(nearestI16(value(countBoxes_[1])), velocityEntryCount());
  for (int k = 0; k < panels; ++k) p.startCdps.push_back(static_cast<float>(value(startCdps_[static_cast<size_t>(k)])));
  for (int k = 0; k < vels; ++k) p.velocities.push_back(static_cast<float>(value(velocities_[static_cast<size_t>(k)])));
  p.cdpsPerPanel = static_cast<float>(value(cdpsPerPanel_));
  p.stretch = static_cast<float>(value(stretch_));
  p.lengthMs = value(lengthMs_);
  p.stackFlag = stackcheck_->isChecked() ? 1 : 0;
  p.outputName = ss(outputFile_->text());
  p.upperCaseFileName = true;
  p.askBeforeOverwrite = true;
  return p;
}

void NmoDialog::process() {
  // Events run during a run; a second press must not start another one.
  if (running_) return;
  running_ = true;
  // The entries are read once: the run uses the values that were checked, even
  // if a box is edited while it runs.
  const GenerationParams p = entries();
  GenerationHooks hooks;
  hooks.progress = [this](const std::string& text, std::int64_t, std::int64_t) { info_->setText(qs(text)); };
  hooks.stopRequested = [this] { return stopFlag_; };
  hooks.runningChanged = [this](bool on) {
    if (on) stopFlag_ = false;
    stopnmo_->setVisible(on);
  };
  if (timeOfDay) hooks.timeOfDay = timeOfDay;
  GenerationResult r = generatePanels(s_, ui_, p, hooks);
  if (r.outcome == GenerationOutcome::Finished || r.outcome == GenerationOutcome::Failed)
    lastOutput_ = r.outputPath;
  running_ = false;
  if (r.outcome == GenerationOutcome::Finished) fileexit();
}

}  // namespace tsly
