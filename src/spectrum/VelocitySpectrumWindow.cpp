#include "spectrum/VelocitySpectrumWindow.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QBuffer>
#include <QByteArray>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "display/core/DisplayGeometry.h"
#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumWindowTexts.h"
#include "spectrum/core/SpectrumWorker.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"
#include "platform/AtomicFile.h"
#include "shared/Texts.h"

namespace tsly {

namespace {

// The picture's layout, in pixels.
constexpr int SpectrumPlotWidth = 400;  // velocities resampled to this width
constexpr int ScaleGap = 12, ScaleWidth = 14;
constexpr int GatherGap = 28;           // from the colour scale's labels to the gather
constexpr int GatherTargetWidth = 360;  // the traces share about this much
constexpr int MinTraceSpacing = 6, MaxTraceSpacing = 30;
constexpr int TickLength = 5;
constexpr int BottomMargin = 10;
constexpr int SemblanceWindowSamples = 5;
constexpr int SemblanceWorkers = 2;

const QColor NoSpectrumColour(225, 225, 225);
const QColor TimingLineColour(200, 200, 200);

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

bool sameTraces(const CdpTraces& a, const CdpTraces& b) {
  return a.cdp == b.cdp && a.intervalUs == b.intervalUs && a.samples == b.samples && a.offsets == b.offsets &&
         a.counts == b.counts && a.data == b.data;
}

// Equal but for the last digits a box's text loses.
bool sameRange(const VelocityRange& a, const VelocityRange& b) {
  auto same = [](double x, double y) { return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y)); };
  return same(a.min, b.min) && same(a.max, b.max) && same(a.step, b.step);
}

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

// ---------------------------------------------------------------------------
// Picture widget

SpectrumPictureWidget::SpectrumPictureWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("spectrumPicture"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void SpectrumPictureWidget::setImage(const QImage& image) {
  image_ = image;
  resize(image_.isNull() ? QSize(1, 1) : image_.size());
  update();
}

void SpectrumPictureWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (!image_.isNull()) p.drawImage(0, 0, image_);
}

// ---------------------------------------------------------------------------
// Window

VelocitySpectrumWindow::VelocitySpectrumWindow(AppState& state, Ui& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), st_(state), ui_(ui) {
  setObjectName(QStringLiteral("VelocitySpectrum"));
  setWindowTitle(QString::fromLatin1(spectrumtext::WindowTitle));

  auto* controls = new QHBoxLayout;
  auto caption = [&](const char* text) {
    auto* l = new QLabel(QString::fromLatin1(text), this);
    controls->addWidget(l);
  };
  auto button = [&](const char* name, const char* text, void (VelocitySpectrumWindow::*slot)()) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    controls->addWidget(b);
    return b;
  };
  caption(spectrumtext::MinCaption);
  vmin_ = box("vmin", QString(), 6);
  controls->addWidget(vmin_);
  caption(spectrumtext::MaxCaption);
  vmax_ = box("vmax", QString(), 6);
  controls->addWidget(vmax_);
  caption(spectrumtext::StepCaption);
  vstep_ = box("vstep", QString(), 4);
  controls->addWidget(vstep_);
  caption(spectrumtext::StretchCaption);
  stretchBox_ = box("stretch", q(plainNumberText(stretch_)), 4);
  controls->addWidget(stretchBox_);
  button("apply", spectrumtext::ApplyButton, &VelocitySpectrumWindow::apply);
  button("panelrange", spectrumtext::PanelRangeButton, &VelocitySpectrumWindow::usePanelRange);
  auto* gather = new QPushButton(QString::fromLatin1(spectrumtext::GatherButton), this);
  gather->setObjectName(QStringLiteral("choosegather"));
  gather->setAutoDefault(false);
  connect(gather, &QPushButton::clicked, this, [this] {
    if (chooseGather) chooseGather();
  });
  controls->addWidget(gather);
  savePng_ = button("savepng", spectrumtext::SavePngButton, &VelocitySpectrumWindow::savePng);
  controls->addStretch(1);

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
  column->addLayout(controls);
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
  resize(1120, 700);
}

VelocitySpectrumWindow::~VelocitySpectrumWindow() {
  // The worker's thread ends before anything it might post to goes.
  worker_.reset();
}

QLineEdit* VelocitySpectrumWindow::box(const char* name, const QString& text, int chars) {
  auto* e = new QLineEdit(text, this);
  e->setObjectName(QString::fromLatin1(name));
  const int width = e->fontMetrics().horizontalAdvance(QString(chars + 2, QLatin1Char('0')));
  e->setMinimumWidth(width);
  e->setMaximumWidth(width + 20);
  connect(e, &QLineEdit::returnPressed, this, &VelocitySpectrumWindow::apply);
  return e;
}

void VelocitySpectrumWindow::fillBoxes() {
  vmin_->setText(q(plainNumberText(range_.min)));
  vmax_->setText(q(plainNumberText(range_.max)));
  vstep_->setText(q(plainNumberText(range_.step)));
  stretchBox_->setText(q(plainNumberText(stretch_)));
}

VelocityRange VelocitySpectrumWindow::wantedRange() const {
  if (typedRange_) return *typedRange_;
  if (input_.panelSpan) return widenedRange(input_.panelSpan->first, input_.panelSpan->second);
  return range_;
}

bool VelocitySpectrumWindow::settingsOfShown() const {
  return spectrum_ && spectrumStretch_ == stretch_ && spectrum_->velocities == range_.grid() &&
         sameTraces(spectrumTraces_, input_.traces);
}

void VelocitySpectrumWindow::showCdp(SpectrumCdpInput input) {
  input_ = std::move(input);
  hasCdp_ = true;
  range_ = wantedRange();
  fillBoxes();
  savePng_->setEnabled(true);
  correct();
  if (!settingsOfShown()) {
    spectrum_.reset();
    request();
  }
  updateStatus();
  render();
}

void VelocitySpectrumWindow::setPicks(std::vector<VelocityPick> picks) {
  if (!hasCdp_) return;
  input_.picks = std::move(picks);
  correct();
  updateStatus();
  render();
}

void VelocitySpectrumWindow::showNothing(const std::string& why) {
  hasCdp_ = false;
  input_ = SpectrumCdpInput{};
  spectrum_.reset();
  corrected_ = CorrectedGather{};
  if (worker_) worker_->cancel();
  ++lastRequest_;  // whatever is still on its way is not shown
  setComputing(false);
  savePng_->setEnabled(false);
  status_->setText(q(why));
  picture_ = QImage();
  layout_ = Layout{};
  pictureWidget_->setImage(picture_);
}

void VelocitySpectrumWindow::request() {
  SemblanceSettings settings;
  settings.velocities = range_.grid();
  // Panels whose velocities are all 0 give no automatic range: nothing to
  // compute until a range is typed.
  if (settings.velocities.empty()) {
    if (worker_) worker_->cancel();
    ++lastRequest_;
    setComputing(false);
    return;
  }
  settings.windowSamples = SemblanceWindowSamples;
  settings.stretch = stretch_;
  settings.workers = SemblanceWorkers;
  lastRequest_ = worker_->request(input_.traces, std::move(settings));
  setComputing(true);
}

void VelocitySpectrumWindow::hideEvent(QHideEvent* event) {
  if (computing_) {
    worker_->cancel();
    ++lastRequest_;  // whatever is still on its way is not shown
    setComputing(false);
  }
  QWidget::hideEvent(event);
}

void VelocitySpectrumWindow::spectrumArrived(std::uint64_t id, Spectrum sp) {
  // A result overtaken by a newer request (or by showNothing) is not shown.
  if (id != lastRequest_ || !hasCdp_) return;
  spectrum_ = std::move(sp);
  spectrumTraces_ = input_.traces;
  spectrumStretch_ = stretch_;
  setComputing(false);
  render();
  emit spectrumShown(spectrum_->cdp);
}

void VelocitySpectrumWindow::setComputing(bool on) {
  computing_ = on;
  if (on) setCursor(Qt::BusyCursor);
  else unsetCursor();
  updateStatus();
}

void VelocitySpectrumWindow::updateStatus() {
  if (!hasCdp_) return;
  status_->setText(computing_ ? q(spectrumtext::computingText(input_.traces.cdp))
                              : q(spectrumtext::shownText(input_.traces.cdp, input_.traces.traceCount(),
                                                          input_.picks.size(), fileName(input_.gatherFile))));
}

void VelocitySpectrumWindow::correct() { corrected_ = correctGather(input_.traces, input_.picks, stretch_); }

void VelocitySpectrumWindow::apply() {
  const RangeEntry r = readVelocityRange(s(vmin_->text()), s(vmax_->text()), s(vstep_->text()));
  if (!r.ok()) {
    ui_.message(r.message, spectrumtext::BoxTitle, Buttons::Ok, Icon::Exclamation);
    QLineEdit* wrong = r.box == SpectrumBox::Min ? vmin_ : r.box == SpectrumBox::Max ? vmax_ : vstep_;
    wrong->setFocus();
    wrong->selectAll();
    return;
  }
  const StretchEntry st = readStretch(s(stretchBox_->text()));
  if (!st.ok()) {
    ui_.message(st.message, spectrumtext::BoxTitle, Buttons::Ok, Icon::Exclamation);
    stretchBox_->setFocus();
    stretchBox_->selectAll();
    return;
  }
  // The panels' own range, shown in the boxes and left as it was, stays the
  // automatic one (it follows the CDPs); anything else is kept as typed.
  if (typedRange_ || !sameRange(r.range, range_)) typedRange_ = r.range;
  stretch_ = st.stretch;
  if (!hasCdp_) {
    range_ = r.range;
    return;
  }
  range_ = wantedRange();
  fillBoxes();
  correct();
  if (!settingsOfShown()) {
    spectrum_.reset();
    request();
  }
  render();
}

void VelocitySpectrumWindow::usePanelRange() {
  typedRange_.reset();
  if (!hasCdp_) return;
  range_ = wantedRange();
  fillBoxes();
  if (!settingsOfShown()) {
    spectrum_.reset();
    request();
  }
  render();
}

void VelocitySpectrumWindow::savePng() {
  if (!hasCdp_ || picture_.isNull()) return;
  FileDialogRequest req;
  req.title = spectrumtext::PngDialogTitle;
  req.filter = spectrumtext::PngFilter;
  req.filterIndex = 1;
  req.defaultExt = spectrumtext::PngDefaultExt;
  req.initialDir = st_.LastPath;
  req.fileName = std::filesystem::path(input_.panelFile).stem().string() + "-cdp" +
                 plainNumberText(static_cast<int>(input_.traces.cdp)) + ".png";
  req.mustExist = false;
  const FileDialogResult chosen = askFileName(ui_, FileDialogKind::Save, req);
  if (chosen.status != FileDialogResult::Status::Chosen || chosen.path.empty()) return;
  // Saving over the panels or the gather would lose the data, whatever the
  // overwrite question is answered.
  if (sameFileName(chosen.path, input_.panelFile) || sameFileName(chosen.path, input_.gatherFile)) {
    ui_.message(spectrumtext::pngWouldReplaceDataText(chosen.path), spectrumtext::BoxTitle, Buttons::Ok,
                Icon::Exclamation);
    return;
  }
  std::int16_t mode = 1;
  if (ConfirmTargetFile(ui_, st_, chosen.path, mode) == 0) return;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  std::string error;
  if (!picture_.save(&buffer, "PNG")) {
    error = "the picture could not be encoded as PNG";
  } else {
    AtomicFile file;
    if (!file.open(chosen.path) || !file.write(bytes.constData(), static_cast<std::size_t>(bytes.size())) ||
        !file.commit())
      error = file.error();
  }
  if (!error.empty())
    ui_.message(spectrumtext::pngNotSavedText(chosen.path, error), spectrumtext::BoxTitle, Buttons::Ok,
                Icon::Exclamation);
}

// ---------------------------------------------------------------------------
// The picture

namespace {

// Labels of the colour scale, 0 at the bottom to 1 at the top, and its caption.
QStringList scaleTexts() { return {"0", ".2", ".4", ".6", ".8", "1"}; }
QString scaleCaption() { return QStringLiteral("semblance"); }

}  // namespace

// What the parts of one picture share: the font's measures, the rows of the
// titles and labels, the timing lines, the spectrum's field and velocity span.
struct VelocitySpectrumWindow::Frame {
  explicit Frame(const QFont& font) : fm(font), fh(fm.height()) {}
  QFontMetrics fm;
  int fh;
  int titleY = 4, labelsY = 0, labelWidth = 0, gatherRight = 0, width = 0, height = 0;
  std::vector<TimingLine> lines;
  QString spectrumTitle, gatherTitle;
  QRect plot;
  double vFirst = 0, vLast = 0;
  std::size_t traces = 0;
};

// Lays the picture out (layout_ and the frame): the time scale is the main
// canvas's; without one (no redraw yet) a row per sample.
VelocitySpectrumWindow::Frame VelocitySpectrumWindow::frameFor(const QFont& font) {
  Frame f(font);
  const QFontMetrics& fm = f.fm;
  SpectrumTimeScale time = input_.time;
  if (!(time.microsecondsPerRow > 0) || time.rows() <= 0) {
    time.microsecondsPerRow = static_cast<float>(std::max(input_.traces.intervalUs, 1));
    time.plotRows = static_cast<float>(std::max(input_.traces.samples, 1));
    time.samplingRatio = 1;
  }
  Layout L;
  L.rows = time.rows();
  L.msPerRow = time.msPerRow();
  f.lines = timingLines(time.microsecondsPerRow, time.samplingRatio, time.plotRows, f.fh);
  f.labelWidth = fm.horizontalAdvance(QStringLiteral("0"));
  for (const TimingLine& l : f.lines)
    if (l.labelled) f.labelWidth = std::max(f.labelWidth, fm.horizontalAdvance(q(timingLabel(l.timeMs))));

  f.labelsY = f.titleY + f.fh + 4;
  L.plotTop = f.labelsY + f.fh + TickLength + 3;
  L.spectrumLeft = f.labelWidth + 12;
  L.spectrumWidth = SpectrumPlotWidth;
  L.scaleLeft = L.spectrumLeft + L.spectrumWidth + ScaleGap;
  int scaleLabelWidth = 0;
  for (const QString& t : scaleTexts()) scaleLabelWidth = std::max(scaleLabelWidth, fm.horizontalAdvance(t));
  const int scaleRight = L.scaleLeft + ScaleWidth + TickLength + 3 + scaleLabelWidth;
  L.gatherLeft =
      std::max(scaleRight, L.scaleLeft + ScaleWidth / 2 + fm.horizontalAdvance(scaleCaption()) / 2) + GatherGap;
  f.traces = corrected_.traceCount();
  L.traceSpacing = std::clamp(f.traces > 0 ? GatherTargetWidth / static_cast<int>(f.traces) : MaxTraceSpacing,
                              MinTraceSpacing, MaxTraceSpacing);
  f.gatherRight = L.gatherLeft + L.traceSpacing * (static_cast<int>(f.traces) + 1);
  const QString cdpText = q(plainNumberText(static_cast<int>(input_.traces.cdp)));
  f.spectrumTitle = QStringLiteral("CDP %1 semblance").arg(cdpText);
  f.gatherTitle =
      corrected_.movedOut
          ? QStringLiteral("CDP %1 moved out by its picks (stretch %2)").arg(cdpText, q(plainNumberText(stretch_)))
          : QStringLiteral("CDP %1 as recorded (no picks)").arg(cdpText);
  f.width = std::max({f.gatherRight + 6 + f.labelWidth + 8, L.gatherLeft + fm.horizontalAdvance(f.gatherTitle) + 8});
  f.height = L.plotTop + L.rows + BottomMargin;
  f.plot = QRect(L.spectrumLeft, L.plotTop, L.spectrumWidth, L.rows);
  const std::vector<float> grid = spectrum_ && !spectrum_->velocities.empty() ? spectrum_->velocities : range_.grid();
  f.vFirst = grid.empty() ? range_.min : grid.front();
  f.vLast = grid.empty() ? range_.max : grid.back();
  layout_ = L;
  return f;
}

void VelocitySpectrumWindow::render() {
  if (!hasCdp_) return;
  const QFont font = this->font();
  const Frame f = frameFor(font);
  QImage img(f.width, f.height, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QPoint(layout_.spectrumLeft, f.titleY + f.fm.ascent()), f.spectrumTitle);
  p.drawText(QPoint(layout_.gatherLeft, f.titleY + f.fm.ascent()), f.gatherTitle);
  drawSpectrumField(p, f);
  drawVelocityAxis(p, f);
  drawTimingLines(p, f);
  drawColourScale(p, f);
  drawVelocityFunction(p, f);
  drawCorrectedGather(p, f);
  drawOffsets(p, f);
  p.end();
  picture_ = img;
  pictureWidget_->setImage(picture_);
}

// The spectrum, or a grey field while it is being computed.
void VelocitySpectrumWindow::drawSpectrumField(QPainter& p, const Frame& f) const {
  const Layout& L = layout_;
  if (spectrum_ && !spectrum_->velocities.empty()) {
    const std::vector<std::uint32_t> px =
        spectrumRows(*spectrum_, L.spectrumWidth, L.rows, L.msPerRow, NoSpectrumColour.rgb());
    const QImage field(reinterpret_cast<const uchar*>(px.data()), L.spectrumWidth, L.rows, L.spectrumWidth * 4,
                       QImage::Format_RGB32);
    p.drawImage(f.plot.topLeft(), field);
  } else {
    p.fillRect(f.plot, NoSpectrumColour);
    if (computing_)
      p.drawText(QRect(f.plot.left(), f.plot.top(), f.plot.width(), std::min(f.plot.height(), 200)), Qt::AlignCenter,
                 q(spectrumtext::computingText(input_.traces.cdp)));
  }
  p.setPen(Qt::black);
  p.drawRect(f.plot.adjusted(-1, -1, 0, 0));
}

// Velocity ticks and labels above the spectrum.
void VelocitySpectrumWindow::drawVelocityAxis(QPainter& p, const Frame& f) const {
  const Layout& L = layout_;
  for (double v : axisTicks(std::min(f.vFirst, f.vLast), std::max(f.vFirst, f.vLast),
                            std::max(2, L.spectrumWidth / 70))) {
    const int x = L.spectrumLeft + static_cast<int>(std::lround(velocityX(v, f.vFirst, f.vLast, L.spectrumWidth)));
    p.drawLine(x, L.plotTop - 1 - TickLength, x, L.plotTop - 2);
    const QString t = q(plainNumberText(v));
    const int w = f.fm.horizontalAdvance(t);
    const int lx =
        std::clamp(x - w / 2, L.spectrumLeft - f.labelWidth, L.spectrumLeft + L.spectrumWidth + ScaleGap - w);
    p.drawText(QPoint(lx, f.labelsY + f.fm.ascent()), t);
  }
}

// Timing lines: the main canvas's lines and labels; ticks beside the
// spectrum, light lines across the gather.
void VelocitySpectrumWindow::drawTimingLines(QPainter& p, const Frame& f) const {
  const Layout& L = layout_;
  for (const TimingLine& l : f.lines) {
    const int y = L.plotTop + l.row;
    p.setPen(Qt::black);
    p.drawLine(L.spectrumLeft - 1 - TickLength, y, L.spectrumLeft - 2, y);
    p.setPen(TimingLineColour);
    p.drawLine(L.gatherLeft, y, f.gatherRight, y);
    if (!l.labelled) continue;
    p.setPen(Qt::black);
    const QString t = q(timingLabel(l.timeMs));
    const int ty = y - f.fh / 2 + f.fm.ascent();
    p.drawText(QPoint(L.spectrumLeft - TickLength - 4 - f.fm.horizontalAdvance(t), ty), t);
    p.drawText(QPoint(f.gatherRight + 6, ty), t);
  }
}

// Colour scale: 1 at the top, 0 at the bottom.
void VelocitySpectrumWindow::drawColourScale(QPainter& p, const Frame& f) const {
  const Layout& L = layout_;
  for (int r = 0; r < L.rows; ++r) {
    p.setPen(QColor::fromRgb(viridis(L.rows > 1 ? 1.0 - static_cast<double>(r) / (L.rows - 1) : 1.0)));
    p.drawLine(L.scaleLeft, L.plotTop + r, L.scaleLeft + ScaleWidth - 1, L.plotTop + r);
  }
  p.setPen(Qt::black);
  p.drawRect(QRect(L.scaleLeft - 1, L.plotTop - 1, ScaleWidth + 1, L.rows + 1));
  const QStringList texts = scaleTexts();
  for (int k = 0; k < texts.size(); ++k) {
    const double v = k / 5.0;
    const int y = L.plotTop + static_cast<int>(std::lround((1.0 - v) * std::max(L.rows - 1, 0)));
    p.drawLine(L.scaleLeft + ScaleWidth + 1, y, L.scaleLeft + ScaleWidth + TickLength, y);
    const int ty = std::clamp(y - f.fh / 2, L.plotTop - f.fh / 2, std::max(L.plotTop, L.plotTop + L.rows - f.fh / 2));
    p.drawText(QPoint(L.scaleLeft + ScaleWidth + TickLength + 3, ty + f.fm.ascent()), texts[k]);
  }
  const QString caption = scaleCaption();
  p.drawText(QPoint(L.scaleLeft + ScaleWidth / 2 - f.fm.horizontalAdvance(caption) / 2, f.labelsY + f.fm.ascent()),
             caption);
}

// The velocity function over the spectrum: the picks joined, held constant
// before the first and after the last; each pick ringed.
void VelocitySpectrumWindow::drawVelocityFunction(QPainter& p, const Frame& f) const {
  if (input_.picks.empty()) return;
  const Layout& L = layout_;
  p.save();
  p.setClipRect(f.plot);
  p.setRenderHint(QPainter::Antialiasing, true);
  const double endMs = L.rows * L.msPerRow;
  QPolygonF path;
  for (const VelocityPick& v : functionVertices(input_.picks, 0.0, endMs))
    path << QPointF(L.spectrumLeft + velocityX(v.velocity, f.vFirst, f.vLast, L.spectrumWidth),
                    L.plotTop + v.timeMs / L.msPerRow);
  p.setPen(QPen(functionEdge(), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(path);
  p.setPen(QPen(functionColour(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(path);
  p.setPen(QPen(functionEdge(), 1.5));
  p.setBrush(functionColour());
  for (const VelocityPick& v : input_.picks)
    p.drawEllipse(QPointF(L.spectrumLeft + velocityX(v.velocity, f.vFirst, f.vLast, L.spectrumWidth),
                          L.plotTop + v.timeMs / L.msPerRow),
                  4.5, 4.5);
  p.restore();
}

// The corrected gather: one wiggle per trace, positive lobes filled, the
// largest deflection one and a half trace spacings.
void VelocitySpectrumWindow::drawCorrectedGather(QPainter& p, const Frame& f) const {
  const Layout& L = layout_;
  float peak = 0;
  for (float a : corrected_.data) peak = std::max(peak, std::fabs(a));
  const double gain = peak > 0 ? 1.5 * L.traceSpacing / peak : 0.0;
  const double dtRows = corrected_.intervalUs / 1000.0 / L.msPerRow;  // rows per sample
  const std::int32_t shown =
      dtRows > 0
          ? std::min<std::int32_t>(corrected_.samples, static_cast<std::int32_t>(std::floor(L.rows / dtRows)) + 1)
          : 0;
  p.save();
  p.setClipRect(QRect(L.gatherLeft, L.plotTop, f.gatherRight - L.gatherLeft + 1, L.rows));
  p.setRenderHint(QPainter::Antialiasing, true);
  for (std::size_t k = 0; k < f.traces && shown > 1; ++k) {
    const double x0 = traceX(k);
    const float* a = corrected_.trace(k);
    QPolygonF wiggle, lobe;
    wiggle.reserve(shown);
    lobe.reserve(shown + 2);
    lobe << QPointF(x0, L.plotTop);
    for (std::int32_t i = 0; i < shown; ++i) {
      const double y = L.plotTop + i * dtRows;
      const double d = a[i] * gain;
      wiggle << QPointF(x0 + d, y);
      lobe << QPointF(x0 + std::max(d, 0.0), y);
    }
    lobe << QPointF(x0, L.plotTop + (shown - 1) * dtRows);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(lobe);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(wiggle);
  }
  p.restore();
}

// Offsets above the gather, as many as fit without touching.
void VelocitySpectrumWindow::drawOffsets(QPainter& p, const Frame& f) const {
  const Layout& L = layout_;
  int widest = 0;
  for (float o : corrected_.offsets) widest = std::max(widest, f.fm.horizontalAdvance(q(plainNumberText(o))));
  const int every = std::max(1, (widest + 6 + L.traceSpacing - 1) / std::max(L.traceSpacing, 1));
  p.setPen(Qt::black);
  for (std::size_t k = 0; k < f.traces; k += static_cast<std::size_t>(every)) {
    const int x = traceX(k);
    p.drawLine(x, L.plotTop - 1 - TickLength, x, L.plotTop - 2);
    const QString t = q(plainNumberText(corrected_.offsets[k]));
    p.drawText(QPoint(x - f.fm.horizontalAdvance(t) / 2, f.labelsY + f.fm.ascent()), t);
  }
}

}  // namespace tsly
