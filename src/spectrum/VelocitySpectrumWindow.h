// The "Velocity Spectrum" window (objectName "VelocitySpectrum"): a modeless
// window beside the main window for the CDP shown there. Its picture
// (SpectrumPicture, the one `tsly semblance --png` writes, with the window's
// additions) holds
//  - the velocity spectrum of the CDP (semblance, viridis colours with their
//    scale), velocity across, time down on the main canvas's scale with its
//    timing lines and labels, the CDP's picks marked and joined as its velocity
//    function;
//  - beside it the CDP's gather moved out with that function (wiggles, positive
//    lobes filled), on the same time scale, so an event the picks flatten is
//    seen flat.
// Above the picture the controls (SpectrumControls); below them a status line.
//
// The spectrum is computed off the user-interface thread (SpectrumWorker); a
// newer request supersedes an older one and only the newest result is shown
// (SpectrumRequests keeps what is shown and asked for). While one is being
// computed the window shows the busy pointer and keeps answering; the
// corrected gather is redrawn at once (it is a few traces).
//
// The main window's spectrum command feeds it: showCdp() when a CDP is shown,
// setPicks() when its picks change, showNothing() when there is nothing to show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QWidget>

#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumRequests.h"
#include "platform/Ui.h"
#include "shared/State.h"

class QLabel;
class QScrollArea;

namespace tsly {

class SpectrumControls;
class SpectrumPictureWidget;
class SpectrumWorker;

class VelocitySpectrumWindow : public QWidget {
  Q_OBJECT
 public:
  VelocitySpectrumWindow(AppState& state, Ui& ui, QWidget* parent = nullptr);
  ~VelocitySpectrumWindow() override;

  // Its size when made, before it is placed beside the main window.
  static constexpr int DefaultWidth = 1120, DefaultHeight = 700;

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
  bool hasCdp() const { return shown_.hasCdp(); }
  std::int16_t cdp() const { return shown_.input().traces.cdp; }
  const Spectrum* spectrum() const { return shown_.spectrum() ? &*shown_.spectrum() : nullptr; }
  const CorrectedGather& gather() const { return shown_.gather(); }
  const std::vector<VelocityPick>& picks() const { return shown_.input().picks; }
  bool computing() const { return shown_.computing(); }
  const QImage& picture() const { return picture_; }
  VelocityRange range() const { return shown_.range(); }
  float stretch() const { return shown_.stretch(); }
  std::uint64_t requests() const { return shown_.lastRequest(); }
  QLabel* statusLine() const { return status_; }
  // Where the picture puts things (pixels of picture()).
  const SpectrumLayout& layout() const { return layout_; }

  // Colour of the velocity function and its pick marks.
  static QColor functionColour() { return QColor::fromRgba(SpectrumFunctionColour); }

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
  // The boxes, the computation (when `compute`) and the picture brought up to date.
  void refresh(bool compute);
  void request();
  void drop();
  void spectrumArrived(std::uint64_t id, Spectrum s);
  void showComputing();
  void render();

  AppState& st_;
  Ui& ui_;
  SpectrumControls* controls_ = nullptr;
  QLabel* status_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  SpectrumPictureWidget* pictureWidget_ = nullptr;

  SpectrumRequests shown_;
  QImage picture_;
  SpectrumLayout layout_;
  std::unique_ptr<SpectrumWorker> worker_;  // last: its thread posts to the members above
};

}  // namespace tsly
