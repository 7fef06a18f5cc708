#include "spectrum/VelocitySpectrumWindow.h"

#include <filesystem>

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "spectrum/SpectrumControls.h"
#include "spectrum/SpectrumPictureWidget.h"
#include "spectrum/SpectrumPngSaving.h"
#include "spectrum/core/SpectrumWindowTexts.h"
#include "spectrum/core/SpectrumWorker.h"
#include "qt/FigurePainter.h"

namespace tsly {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

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

  pictureWidget_ = new SpectrumPictureWidget;
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("spectrumScroll"));
  scroll_->setWidget(pictureWidget_);
  scroll_->setWidgetResizable(false);
  scroll_->setBackgroundRole(QPalette::Base);

  auto* column = new QVBoxLayout(this);
  column->addWidget(controls_);
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
  const bool compute = shown_.showCdp(std::move(input));
  controls_->setSaveEnabled(true);
  refresh(compute);
  showComputing();
}

void VelocitySpectrumWindow::setPicks(std::vector<VelocityPick> picks) {
  if (!shown_.hasCdp()) return;
  shown_.setPicks(std::move(picks));
  showComputing();
  render();
}

void VelocitySpectrumWindow::showNothing(const std::string& why) {
  shown_.clear();
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
  const SpectrumPicture pic = layOutSpectrum(shown_.pictureInput(), FigureTextMeasure());
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
