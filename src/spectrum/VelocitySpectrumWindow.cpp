#include "spectrum/VelocitySpectrumWindow.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "spectrum/SpectrumControls.h"
#include "spectrum/SpectrumPictureWidget.h"
#include "spectrum/SpectrumPngSaving.h"
#include "spectrum/core/SpectrumPicking.h"
#include "spectrum/core/SpectrumWindowTexts.h"
#include "spectrum/core/SpectrumWorker.h"
#include "picks/core/PickEdits.h"
#include "qt/FigurePainter.h"
#include "shared/Numbers.h"

namespace tsly {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Where `value` stands in `picks`, or -1.
int indexOf(const std::vector<VelocityPick>& picks, const std::optional<VelocityPick>& value) {
  if (!value) return -1;
  for (std::size_t k = 0; k < picks.size(); ++k)
    if (picks[k].timeMs == value->timeMs && picks[k].velocity == value->velocity) return static_cast<int>(k);
  return -1;
}

// A press that moves less than this many pixels is no drag.
constexpr double DragStartPixels = 3.0;

}  // namespace

VelocitySpectrumWindow::VelocitySpectrumWindow(AppState& state, Ui& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), st_(state), ui_(ui) {
  setObjectName(QStringLiteral("VelocitySpectrum"));
  setWindowTitle(QString::fromLatin1(spectrumtext::WindowTitle));

  controls_ = new SpectrumControls(shown_.stretch(), this);
  connect(controls_, &SpectrumControls::applyPressed, this, &VelocitySpectrumWindow::apply);
  connect(controls_, &SpectrumControls::panelRangePressed, this, &VelocitySpectrumWindow::usePanelRange);
  connect(controls_, &SpectrumControls::gatherPressed, this, [this] {
    if (chooseGather) chooseGather();
  });
  connect(controls_, &SpectrumControls::savePngPressed, this, &VelocitySpectrumWindow::savePng);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("spectrumStatus"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  guideBox_ = new QCheckBox(QString::fromLatin1(spectrumtext::GuideCheck), this);
  guideBox_->setObjectName(QStringLiteral("guide"));
  connect(guideBox_, &QCheckBox::toggled, this, [this](bool on) {
    render();
    emit guideToggled(on);
  });
  auto* hint = new QLabel(QString::fromLatin1(spectrumtext::PickingHint), this);
  hint->setObjectName(QStringLiteral("pickingHint"));
  hint->setWordWrap(true);
  auto* pickingRow = new QHBoxLayout;
  pickingRow->addWidget(guideBox_);
  pickingRow->addWidget(hint, 1);

  pictureWidget_ = new SpectrumPictureWidget;
  connect(pictureWidget_, &SpectrumPictureWidget::pressed, this, &VelocitySpectrumWindow::pressed);
  connect(pictureWidget_, &SpectrumPictureWidget::dragged, this, &VelocitySpectrumWindow::dragged);
  connect(pictureWidget_, &SpectrumPictureWidget::released, this, &VelocitySpectrumWindow::released);
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("spectrumScroll"));
  scroll_->setWidget(pictureWidget_);
  scroll_->setWidgetResizable(false);
  scroll_->setBackgroundRole(QPalette::Base);

  auto* column = new QVBoxLayout(this);
  column->addWidget(controls_);
  column->addLayout(pickingRow);
  column->addWidget(status_);
  column->addWidget(scroll_, 1);

  worker_ = std::make_unique<SpectrumWorker>([this](std::uint64_t id, Spectrum&& sp) {
    // On the worker's thread: hand the result to this window's thread. A window
    // gone by then takes nothing (the call is dropped with it).
    QMetaObject::invokeMethod(
        this, [this, id, sp = std::move(sp)]() mutable { spectrumArrived(id, std::move(sp)); },
        Qt::QueuedConnection);
  });
  showNothing(spectrumtext::noPanelDataText());
  resize(DefaultWidth, DefaultHeight);
}

VelocitySpectrumWindow::~VelocitySpectrumWindow() {
  // The worker's thread ends before anything it might post to goes.
  worker_.reset();
}

void VelocitySpectrumWindow::showCdp(SpectrumCdpInput input) {
  // The selection stays with its pick while the same CDP is shown again.
  std::optional<VelocityPick> selected;
  if (shown_.hasCdp() && input.traces.cdp == cdp() && selected_ >= 0 &&
      static_cast<std::size_t>(selected_) < picks().size())
    selected = picks()[static_cast<std::size_t>(selected_)];
  dragging_ = -1;
  dragMoved_ = false;
  selected_ = indexOf(input.picks, selected);
  const bool compute = shown_.showCdp(std::move(input));
  controls_->setSaveEnabled(true);
  refresh(compute);
  showComputing();
}

void VelocitySpectrumWindow::setPicks(std::vector<VelocityPick> picks) {
  if (!shown_.hasCdp()) return;
  // The pick just asked for is selected; when it was refused, the one selected before stays so.
  std::optional<VelocityPick> before;
  if (selected_ >= 0 && static_cast<std::size_t>(selected_) < this->picks().size())
    before = this->picks()[static_cast<std::size_t>(selected_)];
  selected_ = indexOf(picks, toSelect_);
  if (selected_ < 0) selected_ = indexOf(picks, before);
  toSelect_.reset();
  shown_.setPicks(std::move(picks));
  showComputing();
  render();
}

void VelocitySpectrumWindow::setGuide(std::vector<VelocityPick> guide) {
  guide_ = std::move(guide);
  if (guideOn()) render();
}

bool VelocitySpectrumWindow::guideOn() const { return guideBox_->isChecked(); }

std::optional<VelocityPick> VelocitySpectrumWindow::pointAt(QPointF at) const {
  const SpectrumPictureInput in = shown_.pictureInput();
  return spectrumPointAt(layout_, in.firstVelocity, in.lastVelocity, in.time.firstMs, at.x(), at.y());
}

void VelocitySpectrumWindow::pressed(QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  if (!shown_.hasCdp() || picture_.isNull()) return;
  const SpectrumPictureInput in = shown_.pictureInput();
  const std::optional<std::size_t> touched =
      touchedPick(in.picks, layout_, in.firstVelocity, in.lastVelocity, in.time.firstMs, at.x(), at.y());
  if (button == Qt::RightButton) {
    if (touched) emit pickRemoveWanted(static_cast<int>(*touched));
    return;
  }
  if (button != Qt::LeftButton) return;
  if (touched) {
    selected_ = static_cast<int>(*touched);
    dragging_ = selected_;
    dragFrom_ = at;
    dragMoved_ = false;
    render();
    return;
  }
  std::optional<VelocityPick> pick = pointAt(at);
  if (!pick) return;
  if (!(modifiers & Qt::ShiftModifier)) {
    // The peak is searched on the spectrum of this CDP as it is shown.
    const Spectrum* sp = spectrum();
    if (!sp || computing() || sp->cdp != cdp()) return;
    pick = nearestMaximum(*sp, *pick);
  }
  const std::int32_t v = nearestI32(pick->velocity);
  if (!pickVelocityAllowed(v)) return;
  toSelect_ = VelocityPick{pick->timeMs, static_cast<float>(v)};
  emit pickWanted(pick->timeMs, v);
}

void VelocitySpectrumWindow::dragged(QPointF at) {
  if (dragging_ < 0) return;
  if (!dragMoved_ && std::hypot(at.x() - dragFrom_.x(), at.y() - dragFrom_.y()) < DragStartPixels) return;
  // Kept on the field while the mouse goes beyond it.
  const SpectrumLayout& L = layout_;
  const QPointF inside(std::clamp<double>(at.x(), L.spectrumLeft, L.spectrumLeft + L.spectrumWidth - 1),
                       std::clamp<double>(at.y(), L.plotTop, L.plotTop + L.rows - 1));
  const std::optional<VelocityPick> point = pointAt(inside);
  if (!point) return;
  dragMoved_ = true;
  dragAt_ = *point;
  render();
}

void VelocitySpectrumWindow::released(QPointF, Qt::MouseButton button) {
  if (button != Qt::LeftButton || dragging_ < 0) return;
  const int index = dragging_;
  const bool moved = dragMoved_;
  dragging_ = -1;
  dragMoved_ = false;
  if (!moved) return;
  render();  // back where it was until the command has moved it
  const std::int32_t v = nearestI32(dragAt_.velocity);
  if (!pickVelocityAllowed(v)) return;
  toSelect_ = VelocityPick{dragAt_.timeMs, static_cast<float>(v)};
  emit pickMoveWanted(index, dragAt_.timeMs, v);
}

void VelocitySpectrumWindow::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && selected_ >= 0 &&
      static_cast<std::size_t>(selected_) < picks().size()) {
    emit pickRemoveWanted(selected_);
    return;
  }
  QWidget::keyPressEvent(event);
}

void VelocitySpectrumWindow::setProposals(std::vector<VelocityPick> proposals) {
  shown_.setProposals(std::move(proposals));
  if (shown_.hasCdp()) render();
}

void VelocitySpectrumWindow::showNothing(const std::string& why) {
  shown_.clear();
  selected_ = dragging_ = -1;
  dragMoved_ = false;
  if (worker_) worker_->cancel();
  unsetCursor();
  controls_->setSaveEnabled(false);
  status_->setText(q(why));
  picture_ = QImage();
  layout_ = SpectrumLayout{};
  pictureWidget_->setImage(picture_);
}

void VelocitySpectrumWindow::apply() {
  const SpectrumControls::Entry entry = controls_->read();
  if (!entry.ok()) {
    ui_.message(entry.message, spectrumtext::BoxTitle, Buttons::Ok, Icon::Exclamation);
    controls_->select(entry.box);
    return;
  }
  const bool hadCdp = shown_.hasCdp();
  const bool compute = shown_.apply(entry.range, entry.stretch);
  if (hadCdp) refresh(compute);
}

void VelocitySpectrumWindow::usePanelRange() {
  const bool hadCdp = shown_.hasCdp();
  const bool compute = shown_.usePanelRange();
  if (hadCdp) refresh(compute);
}

void VelocitySpectrumWindow::refresh(bool compute) {
  controls_->show(shown_.range(), shown_.stretch());
  if (compute) request();
  render();
}

void VelocitySpectrumWindow::request() {
  if (std::optional<SemblanceSettings> settings = shown_.settings())
    shown_.requested(worker_->request(shown_.input().traces, std::move(*settings)));
  else
    drop();
  showComputing();
}

void VelocitySpectrumWindow::drop() {
  worker_->cancel();
  shown_.dropped();
}

void VelocitySpectrumWindow::hideEvent(QHideEvent* event) {
  if (shown_.computing()) {
    drop();
    showComputing();
  }
  QWidget::hideEvent(event);
}

void VelocitySpectrumWindow::spectrumArrived(std::uint64_t id, Spectrum sp) {
  // A result overtaken by a newer request (or by showNothing) is not shown.
  if (!shown_.arrived(id, std::move(sp))) return;
  showComputing();
  render();
  emit spectrumShown(shown_.spectrum()->cdp);
}

// The busy pointer while computing, and the status line.
void VelocitySpectrumWindow::showComputing() {
  if (shown_.computing()) setCursor(Qt::BusyCursor);
  else unsetCursor();
  if (!shown_.hasCdp()) return;
  const SpectrumCdpInput& in = shown_.input();
  status_->setText(q(shown_.computing()
                         ? spectrumtext::computingText(in.traces.cdp)
                         : spectrumtext::shownText(in.traces.cdp, in.traces.traceCount(), in.picks.size(),
                                                   std::filesystem::path(in.gatherFile).filename().string())));
}

void VelocitySpectrumWindow::render() {
  if (!shown_.hasCdp()) return;
  SpectrumPictureInput in = shown_.pictureInput();
  if (dragging_ >= 0 && dragMoved_ && static_cast<std::size_t>(dragging_) < in.picks.size())
    in.picks[static_cast<std::size_t>(dragging_)] = dragAt_;
  if (guideOn()) in.guide = guide_;
  in.selectedPick = selected_;
  const SpectrumPicture pic = layOutSpectrum(in, FigureTextMeasure());
  layout_ = pic.layout;
  picture_ = paintFigure(pic.figure);
  pictureWidget_->setImage(picture_);
}

void VelocitySpectrumWindow::savePng() {
  if (!shown_.hasCdp() || picture_.isNull()) return;
  const SpectrumCdpInput& in = shown_.input();
  saveSpectrumPng(ui_, st_, picture_, {in.panelFile, in.gatherFile, in.traces.cdp});
}

}  // namespace tsly
