#include "display/core/PanelDisplay.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "display/core/DisplayGeometry.h"
#include "display/core/DisplayTexts.h"
#include "display/core/PanelVelocityAxis.h"
#include "picks/core/PickEdits.h"
#include "picks/core/PickTable.h"
#include "platform/RawFile.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"
#include "shared/Paint.h"
#include "shared/Texts.h"

namespace tsly {

namespace {

// Closes the redraw's own handle on every way out.
struct HandleGuard {
  int handle = -1;
  ~HandleGuard() { rawClose(handle); }
};

}  // namespace

PanelDisplay::PanelDisplay(AppState& state, Canvas& canvas, Ui& ui, DisplayHost& host)
    : s_(state), canvas_(canvas), ui_(ui), host_(host) {}

bool PanelDisplay::deferIfBusy(std::function<void()> action) {
  if (!busy_) return false;
  deferred_.push_back(std::move(action));
  return true;
}

void PanelDisplay::drain() {
  if (draining_) return;
  draining_ = true;
  while (!deferred_.empty() && !busy_) {
    auto action = std::move(deferred_.front());
    deferred_.pop_front();
    action();
  }
  draining_ = false;
}

void PanelDisplay::refresh() {
  if (busy_) {
    again_ = true;
    return;
  }
  busy_ = true;
  try {
    Pass pass;
    do {
      again_ = false;
      pass = redrawOnce();
    } while (pass == Pass::Restart);
  } catch (const std::exception& e) {
    ui_.setBusyCursor(false);
    useDrawingPen();
    ui_.message(unexpectedErrorMessage(e.what()), TessalyErrorTitle, Buttons::Ok, Icon::Critical);
  }
  busy_ = false;
  drain();
}

bool PanelDisplay::readTrace(int handle, const TraceDirEntry& entry, bool& hasSamples) {
  hasSamples = false;
  const TraceReadStatus st = blocks_.read(handle, entry.FilePos, header_, samples_, scratch_);
  const char* failure = nullptr;
  switch (st) {
    case TraceReadStatus::SeekFailed: failure = displaytext::SeekFailed; break;
    case TraceReadStatus::HeaderShort: failure = displaytext::HeaderReadFailed; break;
    case TraceReadStatus::SamplesShort: failure = displaytext::SamplesReadFailed; break;
    case TraceReadStatus::BadLength:
    case TraceReadStatus::Ok: break;
  }
  if (st != TraceReadStatus::SeekFailed && st != TraceReadStatus::HeaderShort) {
    s_.TraceHeader = header_;
    s_.BytesPerSample = static_cast<std::int16_t>(bytesPerSample(header_));
    s_.TraceDataBytes = traceDataBytes(header_);
  }
  if (failure != nullptr) {
    ui_.message(failure, "", Buttons::Ok, Icon::None);
    return false;
  }
  if (st == TraceReadStatus::BadLength) return true;
  const std::int32_t n = header_[WordNumSamples];
  s_.TraceSamples.resize(static_cast<std::size_t>(n));
  std::memcpy(s_.TraceSamples.data1(), samples_.data(), static_cast<std::size_t>(n) * sizeof(float));
  if (s_.BytesPerSample == 2) {
    s_.RawSamples16.resize(static_cast<std::size_t>(n));
    std::int16_t* raw = s_.RawSamples16.data1();
    for (std::int32_t i = 0; i < n; ++i) raw[i] = static_cast<std::int16_t>(samples_[static_cast<std::size_t>(i)]);
  }
  hasSamples = true;
  return true;
}

void PanelDisplay::drawLabels(int x, int lineLeft, int lineRight) {
  const int top = s_.PlotTop;
  const TraceLabel l = traceLabel(header_, interval_, top);
  if (l.tick) {
    canvas_.moveTo(x, top - 5);
    canvas_.lineTo(x, top);
  }
  if (l.separatorLine) {
    canvas_.moveTo(x, top - 5);
    canvas_.lineTo(x, static_cast<int>(nearest(0.6 * top)));
  }
  if (l.hasNumber) {
    const int width = canvas_.textWidth(l.centreText);
    // A separator's velocity stands above its own line; any other label keeps
    // clear of the separator lines beside its trace.
    const int lx = l.separatorLine ? static_cast<int>(nearestI32(x - width / 2.0))
                                   : traceLabelX(x, width, lineLeft, lineRight);
    canvas_.textOut(lx, l.y, l.text);
  }
  if (l.deadX) canvas_.textOut(x, top - 20, displaytext::DeadTraceMark);
}

void PanelDisplay::paintTrace(int x) {
  const std::int32_t n = header_[WordNumSamples];
  float* t = s_.TraceSamples.data1();
  const float f = scaleFactor(s_.NormalizeFlag != 0, t, n, s_.TraceSpacing, s_.MaxAmplitude);
  const float divisor = normalizerDivisor(f, s_.DataDivisor);
  // The window may ask for more samples than this trace has: scale and paint only its own.
  const std::int32_t count = std::clamp(nearestI32(static_cast<double>(s_.SamplingRatio) * view_.PlotRows), 0, n);
  normalizer(t, divisor, count);
  if (x <= view_.CanvasWidth) {
    canvas_.moveTo(x, s_.PlotTop);
    rapidpaint(t, count, canvas_, x, s_.PlotTop, nearestI32(view_.PlotRows), s_.AreaFillFlag, s_.SamplingRatio);
  }
}

void PanelDisplay::usePickPen() {
  canvas_.setPenMode(PenMode::Xor);
  canvas_.setPenWidth(2);
  canvas_.setPenColor(PickColour);
}

void PanelDisplay::useDrawingPen() {
  canvas_.setPenMode(PenMode::Copy);
  canvas_.setPenWidth(1);
  canvas_.setPenColor(Foreground);
}

void PanelDisplay::eraseLine(float timeMs, std::int16_t velocity) {
  for (std::size_t d = 0; d < drawn_.size(); ++d) {
    const DrawnPick line = drawn_[d];
    if (line.timeMs != timeMs || line.velocity != velocity) continue;
    usePickPen();
    canvas_.moveTo(line.left, line.y);
    canvas_.lineTo(line.right, line.y);
    useDrawingPen();
    drawn_.erase(drawn_.begin() + static_cast<std::ptrdiff_t>(d));
    return;
  }
}

void PanelDisplay::drawLine(float timeMs, std::int16_t velocity, int y) {
  const std::optional<PanelSpan> span = pickSpan(s_, velocity);
  if (!span) return;
  usePickPen();
  canvas_.moveTo(span->left, y);
  canvas_.lineTo(span->right, y);
  useDrawingPen();
  drawn_.push_back({timeMs, velocity, span->left, span->right, y});
}

void PanelDisplay::syncPickLines() {
  std::vector<std::pair<float, std::int16_t>> picks;
  if (s_.PickTable.valid(s_.CurrentCdp)) {
    const CdpPicks& r = s_.PickTable[static_cast<std::size_t>(s_.CurrentCdp)];
    for (int k = 1; k <= PicksPerCdp; ++k)
      if (r.PickVelocity[k] != 0) picks.emplace_back(r.PickTime[k], r.PickVelocity[k]);
  }
  usePickPen();
  std::vector<bool> drawnAlready(picks.size(), false);
  for (std::size_t d = 0; d < drawn_.size();) {
    const DrawnPick& line = drawn_[d];
    std::size_t k = 0;
    while (k < picks.size() &&
           (drawnAlready[k] || picks[k].first != line.timeMs || picks[k].second != line.velocity))
      ++k;
    if (k < picks.size()) {
      drawnAlready[k] = true;
      ++d;
      continue;
    }
    canvas_.moveTo(line.left, line.y);
    canvas_.lineTo(line.right, line.y);
    drawn_.erase(drawn_.begin() + static_cast<std::ptrdiff_t>(d));
  }
  for (std::size_t k = 0; k < picks.size(); ++k) {
    if (drawnAlready[k]) continue;
    const auto [t, v] = picks[k];
    drawLine(t, v, pickRow(t, view_.MicrosecondsPerRow, s_.PlotTop));
  }
  useDrawingPen();
}

// The guide of the shown CDP, dashed across the panels: a point every pixel
// row, at its velocity's place between the panels.
void PanelDisplay::drawGuide(const Shown& shown) {
  if (!guideShown_ || !shown.valid) return;
  const std::int32_t rows = nearestI32(view_.PlotRows);
  const std::vector<float> v =
      guideVelocities(s_, shown.index, 0.0, view_.MicrosecondsPerRow / 1000.0, std::max(rows + 1, 0));
  std::vector<PlanePoint> line;
  for (std::size_t r = 0; r < v.size(); ++r)
    if (const std::optional<double> x = panelVelocityX(s_, v[r]))
      line.push_back({*x, static_cast<double>(s_.PlotTop) + static_cast<double>(r)});
  canvas_.setPenMode(PenMode::Copy);
  canvas_.setPenWidth(GuidePenWidth);
  canvas_.setPenColor(GuideColour);
  for (const std::vector<PlanePoint>& dash : dashed(line, GuideDash, GuideGap)) {
    canvas_.moveTo(nearestI32(dash.front().x), nearestI32(dash.front().y));
    for (std::size_t k = 1; k < dash.size(); ++k) canvas_.lineTo(nearestI32(dash[k].x), nearestI32(dash[k].y));
  }
  useDrawingPen();
}

PanelDisplay::Pass PanelDisplay::redrawOnce() {
  if (s_.DataFileName.empty()) return Pass::Done;
  HandleGuard file;
  file.handle = OpenTraceForReading(s_.DataFileName);
  if (file.handle <= 0) {
    ui_.message(ErrorOpeningFileText, "", Buttons::Ok, Icon::None);
    return Pass::Done;
  }
  ui_.setBusyCursor(true);
  ui_.processEvents();
  if (again_) {
    ui_.setBusyCursor(false);
    return Pass::Restart;
  }

  const Shown shown = shownCdp();
  s_.PlotTop = 50;
  s_.PlotLeft = 50;
  layOutCanvas(shown.positions);
  drawTimingLines();
  const Pass pass = drawPanels(file.handle, shown);
  if (pass != Pass::Done) {
    ui_.setBusyCursor(false);
    return pass;
  }
  rawClose(file.handle);
  ui_.setBusyCursor(false);
  if (shown.positions < 1) return Pass::Done;

  s_.PanelDrawn = -1;
  const std::int16_t recordCdp = drawPickOverlay(shown);
  host_.setClearPicksEnabled(true);
  host_.setStatusText(redrawStatusText(recordCdp));
  host_.displayChanged(DisplayChange::CdpShown);
  return Pass::Done;
}

PanelDisplay::Shown PanelDisplay::shownCdp() const {
  Shown shown;
  shown.index = s_.CurrentCdp;
  shown.valid = shown.index >= 1 && shown.index <= s_.CdpCount && s_.CdpList.valid(shown.index);
  shown.cdp = shown.valid ? nearestI16(s_.CdpList[static_cast<std::size_t>(shown.index)]) : 0;
  shown.positions = shown.valid ? panelPositions(s_, shown.cdp) : 0;
  return shown;
}

// The canvas sized for the panels and the time window, cleared, and the scroll
// bars set for it. Cleared before it is sized: the same white canvas, without
// carrying the old picture over into the new size first.
void PanelDisplay::layOutCanvas(std::int32_t positions) {
  useDrawingPen();
  canvas_.clear();
  canvas_.setSize(canvasWidthFor(positions, s_.TraceSpacing, s_.PlotLeft), canvas_.height());
  drawn_.clear();
  canvas_.setPersistent(s_.GraphicsSaveFlag != 0);

  interval_ = labelInterval(s_.TraceSpacing);
  view_.CanvasWidth = nearestI16(canvas_.width());

  const TimeWindow tw = timeWindow(s_.SampleInterval, s_.NumSamples, s_.DisplayTimeLength, s_.SamplingRatio);
  s_.DisplayTimeLength = tw.displayTimeLength;
  view_.MicrosecondsPerRow = tw.microsecondsPerRow;
  view_.PlotRows = tw.plotRows;

  canvas_.setSize(canvas_.width(), nearestI32(s_.PlotTop + static_cast<double>(view_.PlotRows) + 10));
  host_.setScrollBars(
      scrollBarsFor(canvas_.width(), canvas_.height(), host_.viewportWidth(), host_.viewportHeight()));
}

// Timing lines across the canvas with their labels on both sides.
void PanelDisplay::drawTimingLines() {
  const int top = s_.PlotTop, left = s_.PlotLeft;
  const int h = canvas_.textHeight("0");
  for (const TimingLine& line : timingLines(view_.MicrosecondsPerRow, s_.SamplingRatio, view_.PlotRows, h)) {
    const int j = line.row;
    if (line.labelled) {
      const std::string text = timingLabel(line.timeMs);
      const int y = nearestI32(j + top - h / 2.0);
      canvas_.textOut(leftTimingLabelX(left, canvas_.textWidth(text)), y, text);
      canvas_.textOut(view_.CanvasWidth - left + 5, y, text);
    }
    canvas_.moveTo(left - 10, j + top);
    canvas_.lineTo(view_.CanvasWidth - left, j + top);
  }
}

// The stretch of the file the shown CDP's traces lie in, as the directory
// gives their places and sizes: read in large blocks rather than trace by trace.
void PanelDisplay::planReading(const Shown& shown) {
  std::int64_t from = -1, to = -1;
  for (std::int32_t i = 1; shown.valid && i <= s_.PanelCount && s_.PanelTable.valid(i); ++i) {
    const PanelEntry& e = s_.PanelTable[static_cast<std::size_t>(i)];
    if (e.FirstCdp != shown.cdp) continue;
    for (std::int32_t k = 0; k <= e.PanelTraces; ++k) {
      const std::int64_t idx = static_cast<std::int64_t>(e.FirstTrace) + k;
      if (idx > s_.TraceCount || !s_.TraceDirectory.valid(idx)) break;
      const TraceDirEntry& t = s_.TraceDirectory[static_cast<std::size_t>(idx)];
      const std::int64_t end =
          t.FilePos + HeaderBytes + static_cast<std::int64_t>(std::max(t.NumSamples, 0)) * std::max<int>(t.BytesPerSample, 0);
      from = from < 0 ? t.FilePos : std::min(from, t.FilePos);
      to = std::max(to, end);
    }
  }
  blocks_.plan(from, to);
}

// The traces of the shown CDP's panels, panel by panel, letting events run after
// each; panels of other CDPs are marked as not on screen.
PanelDisplay::Pass PanelDisplay::drawPanels(int handle, const Shown& shown) {
  const int left = s_.PlotLeft;
  planReading(shown);
  std::int64_t p = 0;
  int lastSeparator = NoSeparatorLine;  // the separator line of the panel drawn before
  for (std::int32_t i = 1; i <= s_.PanelCount && s_.PanelTable.valid(i); ++i) {
    PanelEntry& e = s_.PanelTable[static_cast<std::size_t>(i)];
    if (!shown.valid || e.FirstCdp != shown.cdp) {
      e.Left = 0;
      e.Right = 0;
      continue;
    }
    e.Left = nearestI16(static_cast<double>(p) * s_.TraceSpacing + left);
    if (!drawPanelTraces(handle, e, p, lastSeparator)) return Pass::Failed;
    e.Right = nearestI16(static_cast<double>(p - 1) * s_.TraceSpacing + left);
    lastSeparator = e.Right;
    p += 2;
    ui_.processEvents();
    if (again_) return Pass::Restart;
  }
  return Pass::Done;
}

// One panel's traces from position p on (p is left after its last trace); false
// when a read failed (the user has been told).
bool PanelDisplay::drawPanelTraces(int handle, const PanelEntry& e, std::int64_t& p, int lineLeft) {
  // The panel's own separator is its last trace.
  const int lineRight = nearestI32(static_cast<double>(p + e.PanelTraces) * s_.TraceSpacing + s_.PlotLeft);
  for (std::int32_t k = 0; k <= e.PanelTraces; ++k) {
    const std::int64_t idx = static_cast<std::int64_t>(e.FirstTrace) + k;
    // A panel that points past the directory ends where the directory ends.
    if (idx > s_.TraceCount || !s_.TraceDirectory.valid(idx)) break;
    bool hasSamples = false;
    if (!readTrace(handle, s_.TraceDirectory[static_cast<std::size_t>(idx)], hasSamples)) return false;
    if (!hasSamples) break;
    const int x = nearestI32(static_cast<double>(p) * s_.TraceSpacing + s_.PlotLeft);
    view_.TraceX = nearestI16(x);
    drawLabels(x, lineLeft, lineRight);
    paintTrace(x);
    ++p;
  }
  return true;
}

// The stored picks of the shown CDP, with the pick pen. Returns the CDP number
// of the record shown (for the status line).
std::int16_t PanelDisplay::drawPickOverlay(const Shown& shown) {
  drawGuide(shown);
  syncPickLines();
  if (proposals) {
    usePickPen();
    canvas_.setPenColor(ProposalColour);
    for (const PanelLine& l : proposals(shown.cdp)) {
      if (!s_.PanelTable.valid(l.panel) || l.panel > s_.PanelCount) continue;
      const PanelEntry& e = s_.PanelTable[static_cast<std::size_t>(l.panel)];
      const int y = pickRow(l.timeMs, view_.MicrosecondsPerRow, s_.PlotTop);
      canvas_.moveTo(e.Left, y);
      canvas_.lineTo(e.Right, y);
    }
    useDrawingPen();
  }
  return s_.PickTable.valid(shown.index) ? s_.PickTable[static_cast<std::size_t>(shown.index)].Cdp : shown.cdp;
}

void PanelDisplay::mousePress(float x, float y) {
  if (deferIfBusy([this, x, y] { mousePress(x, y); })) return;
  if (s_.PanelDrawn != -1) return;
  std::int32_t found = 0;
  for (std::int32_t i = 1; i <= s_.PanelCount && s_.PanelTable.valid(i); ++i) {
    const PanelEntry& e = s_.PanelTable[static_cast<std::size_t>(i)];
    if (e.Left != 0 && e.Left <= x && x <= e.Right) {
      found = i;
      break;
    }
  }
  if (found == 0) return;
  const int top = s_.PlotTop;
  if (!(static_cast<float>(top) <= y && y <= static_cast<float>(top + view_.PlotRows))) return;
  if (!s_.PickTable.valid(s_.CurrentCdp)) return;
  const PanelEntry panel = s_.PanelTable[static_cast<std::size_t>(found)];
  // Velocity 0 marks an empty slot, so such a panel cannot hold a pick.
  if (panel.Velocity == 0) return;
  CdpPicks& r = s_.PickTable[static_cast<std::size_t>(s_.CurrentCdp)];

  const float t = pickTime(y, top, view_.MicrosecondsPerRow);
  for (int k = 1; k <= PicksPerCdp; ++k) {
    const auto ks = static_cast<std::size_t>(k);
    if (r.PickVelocity[ks] == panel.Velocity) {
      eraseLine(r.PickTime[ks], r.PickVelocity[ks]);
      r.PickVelocity[ks] = 0;
      r.PickTime[ks] = 0.0f;
      break;
    }
  }
  int slot = 0;
  for (int k = 1; k <= PicksPerCdp; ++k) {
    if (r.PickVelocity[static_cast<std::size_t>(k)] == 0) {
      slot = k;
      break;
    }
  }
  // With all 20 slots taken nothing is stored, so no line is drawn either.
  if (slot != 0) {
    const auto js = static_cast<std::size_t>(slot);
    r.PickVelocity[js] = panel.Velocity;
    r.PickTime[js] = t;
    r.PickPanel[js] = static_cast<std::int16_t>(found);
    host_.setVelfEnabled(true);
    host_.setStatusText(pickStatusText(t, panel.FirstCdp, panel.Velocity));
  }
  // The new pick's line at the clicked row itself.
  if (slot != 0) drawLine(t, panel.Velocity, nearestI32(y));
  if (slot != 0) host_.displayChanged(DisplayChange::PickMade);
}

void PanelDisplay::clearPicks() {
  if (deferIfBusy([this] { clearPicks(); })) return;
  if (!s_.PickTable.valid(s_.CurrentCdp)) return;
  CdpPicks& r = s_.PickTable[static_cast<std::size_t>(s_.CurrentCdp)];
  for (int k = 1; k <= PicksPerCdp; ++k) {
    r.PickTime[k] = 0.0f;
    r.PickVelocity[k] = 0;
  }
  syncPickLines();
  host_.displayChanged(DisplayChange::PicksCleared);
}

void PanelDisplay::picksEdited() {
  if (deferIfBusy([this] { picksEdited(); })) return;
  if (s_.PanelDrawn == -1) syncPickLines();
  if (s_.PickTable.valid(s_.CurrentCdp) && picksInUse(s_.PickTable[static_cast<std::size_t>(s_.CurrentCdp)]) > 0)
    host_.setVelfEnabled(true);
  host_.displayChanged(DisplayChange::PickMade);
}

void PanelDisplay::moveBy(int step) {
  if (deferIfBusy([this, step] { moveBy(step); })) return;
  if (s_.CdpCount < 1) return;
  if (checkduppicks(s_, ui_, s_.CurrentCdp)) return;
  std::int32_t c = s_.CurrentCdp + step;
  if (c > s_.CdpCount) c = 1;
  if (c < 1) c = s_.CdpCount;
  s_.CurrentCdp = c;
  refresh();
}

void PanelDisplay::nextPanel() { moveBy(1); }
void PanelDisplay::prevPanel() { moveBy(-1); }

void PanelDisplay::goToCdp(std::int32_t index) {
  if (deferIfBusy([this, index] { goToCdp(index); })) return;
  if (index < 1 || index > s_.CdpCount || index == s_.CurrentCdp) return;
  if (checkduppicks(s_, ui_, s_.CurrentCdp)) return;
  s_.CurrentCdp = index;
  refresh();
}

}  // namespace tsly
