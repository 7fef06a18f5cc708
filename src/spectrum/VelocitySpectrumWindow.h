// The "Velocity Spectrum" window (objectName "VelocitySpectrum"): a modeless
// window beside the main window for the CDP shown there. One picture holds
//  - the velocity spectrum of the CDP (semblance, viridis colours with their
//    scale), velocity across, time down on the main canvas's scale with its
//    timing lines and labels, the CDP's picks marked and joined as its velocity
//    function;
//  - beside it the CDP's gather moved out with that function (wiggles, positive
//    lobes filled), on the same time scale, so an event the picks flatten is
//    seen flat.
// Above the picture: the trial velocities (from, to, every), the stretch ratio,
// "Apply", "Panel Range" (back to the automatic range), "Gather..." (another
// CDP-gather file) and "Save PNG..." (the picture as a PNG file); below them a
// status line.
//
// The spectrum is computed off the user-interface thread (SpectrumWorker); a
// newer request supersedes an older one and only the newest result is shown.
// While one is being computed the window shows the busy pointer and keeps
// answering; the corrected gather is redrawn at once (it is a few traces).
//
// The main window's spectrum command feeds it: showCdp() when a CDP is shown,
// setPicks() when its picks change, showNothing() when there is nothing to show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QWidget>

#include "spectrum/core/CorrectedGather.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumView.h"
#include "platform/Ui.h"
#include "shared/State.h"
#include "moveout/core/VelocityFunction.h"

class QLabel;
class QPainter;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace tsly {

class SpectrumWorker;

// What the window needs to show one CDP.
struct SpectrumCdpInput {
  std::string panelFile;
  std::string gatherFile;
  CdpTraces traces;  // the CDP's live traces from the gather
  std::optional<std::pair<double, double>> panelSpan;  // lowest and highest panel velocity
  SpectrumTimeScale time;
  std::vector<VelocityPick> picks;
};

// The picture widget (objectName "spectrumPicture"): shows the window's image.
class SpectrumPictureWidget : public QWidget {
  Q_OBJECT
 public:
  explicit SpectrumPictureWidget(QWidget* parent = nullptr);
  void setImage(const QImage& image);
  QSize sizeHint() const override { return image_.isNull() ? QSize(400, 300) : image_.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

class VelocitySpectrumWindow : public QWidget {
  Q_OBJECT
 public:
  VelocitySpectrumWindow(AppState& state, Ui& ui, QWidget* parent = nullptr);
  ~VelocitySpectrumWindow() override;

  // The CDP shown in the main window (after Open, Next, Prev or any redraw).
  // The spectrum is computed again only when the traces or the settings differ
  // from those of the spectrum on screen.
  void showCdp(SpectrumCdpInput input);
  // The picks of the CDP shown changed: the function and the gather are redrawn.
  void setPicks(std::vector<VelocityPick> picks);
  // Nothing to show (no panels open, no gather chosen, the CDP unreadable): the
  // reason goes to the status line, the picture is emptied.
  void showNothing(const std::string& why);

  // Called when "Gather..." is pressed.
  std::function<void()> chooseGather;

  // What is on screen (tests read these).
  bool hasCdp() const { return hasCdp_; }
  std::int16_t cdp() const { return input_.traces.cdp; }
  const Spectrum* spectrum() const { return spectrum_ ? &*spectrum_ : nullptr; }
  const CorrectedGather& gather() const { return corrected_; }
  const std::vector<VelocityPick>& picks() const { return input_.picks; }
  bool computing() const { return computing_; }
  const QImage& picture() const { return picture_; }
  VelocityRange range() const { return range_; }
  float stretch() const { return stretch_; }
  std::uint64_t requests() const { return lastRequest_; }
  QLabel* statusLine() const { return status_; }

  // Where the picture puts things (pixels of picture()), for tests and for
  // anyone reading the picture back.
  struct Layout {
    int plotTop = 0, rows = 0;
    int spectrumLeft = 0, spectrumWidth = 0;
    int scaleLeft = 0;
    int gatherLeft = 0, traceSpacing = 0;
    double msPerRow = 0;
  };
  const Layout& layout() const { return layout_; }
  // x of trace k of the gather in the picture.
  int traceX(std::size_t k) const { return layout_.gatherLeft + layout_.traceSpacing * (static_cast<int>(k) + 1); }

  // Colours of the velocity function and its pick marks.
  static QColor functionColour() { return QColor(255, 255, 255); }
  static QColor functionEdge() { return QColor(0, 0, 0); }

 signals:
  // A computed spectrum was put on screen.
  void spectrumShown(int cdp);

 public slots:
  // "Apply", or Return in a box: the boxes' range and stretch, once checked.
  void apply();
  // "Panel Range": the automatic range again.
  void usePanelRange();
  // "Save PNG...".
  void savePng();

 protected:
  // Hidden while computing: the computation is dropped (showing the window
  // again asks for it anew).
  void hideEvent(QHideEvent* event) override;

 private:
  void request();
  void spectrumArrived(std::uint64_t id, Spectrum s);
  void setComputing(bool on);
  void updateStatus();
  void correct();
  struct Frame;
  Frame frameFor(const QFont& font);
  void render();
  void drawSpectrumField(QPainter& p, const Frame& f) const;
  void drawVelocityAxis(QPainter& p, const Frame& f) const;
  void drawTimingLines(QPainter& p, const Frame& f) const;
  void drawColourScale(QPainter& p, const Frame& f) const;
  void drawVelocityFunction(QPainter& p, const Frame& f) const;
  void drawCorrectedGather(QPainter& p, const Frame& f) const;
  void drawOffsets(QPainter& p, const Frame& f) const;
  void fillBoxes();
  VelocityRange wantedRange() const;
  bool settingsOfShown() const;
  QLineEdit* box(const char* name, const QString& text, int chars);

  AppState& st_;
  Ui& ui_;
  QLineEdit* vmin_ = nullptr;
  QLineEdit* vmax_ = nullptr;
  QLineEdit* vstep_ = nullptr;
  QLineEdit* stretchBox_ = nullptr;
  QPushButton* savePng_ = nullptr;
  QLabel* status_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  SpectrumPictureWidget* pictureWidget_ = nullptr;

  bool hasCdp_ = false;
  SpectrumCdpInput input_;
  std::optional<VelocityRange> typedRange_;  // set by Apply, cleared by Panel Range
  VelocityRange range_;
  float stretch_ = 0.5f;
  CorrectedGather corrected_;
  // The spectrum on screen and what it was computed from.
  std::optional<Spectrum> spectrum_;
  CdpTraces spectrumTraces_;
  float spectrumStretch_ = 0;
  bool computing_ = false;
  std::uint64_t lastRequest_ = 0;
  QImage picture_;
  Layout layout_;
  std::unique_ptr<SpectrumWorker> worker_;  // last: its thread posts to the members above
};

}  // namespace tsly
