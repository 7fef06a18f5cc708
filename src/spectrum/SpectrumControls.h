// The row of controls of the "Velocity Spectrum" window: the boxes "Velocity
// from", "to", "every" and "Stretch" (objectNames vmin, vmax, vstep, stretch)
// and the buttons "Apply" (apply), "Panel Range" (panelrange), "Gather..."
// (choosegather) and "Save PNG..." (savepng). Return in a box is "Apply".
// The window decides what a press does; these only show and read the boxes.
#pragma once

#include <array>
#include <string>

#include <QWidget>

#include "spectrum/core/SpectrumView.h"

class QLineEdit;
class QPushButton;

namespace tsly {

class SpectrumControls : public QWidget {
  Q_OBJECT
 public:
  // The boxes start empty but for the stretch.
  explicit SpectrumControls(float stretch, QWidget* parent = nullptr);

  // The range and stretch in the boxes.
  void show(const VelocityRange& range, float stretch);

  // The boxes read and checked: the range and stretch, or the message of the
  // first box refused and that box.
  struct Entry {
    VelocityRange range;
    float stretch = 0;
    std::string message;
    SpectrumBox box = SpectrumBox::None;
    bool ok() const { return message.empty(); }
  };
  Entry read() const;
  // The box focused with its text selected.
  void select(SpectrumBox which);

  void setSaveEnabled(bool on);

 signals:
  void applyPressed();
  void panelRangePressed();
  void gatherPressed();
  void savePngPressed();

 private:
  QLineEdit* box(const char* name, int chars);
  QLineEdit* box(SpectrumBox which) const;
  std::string text(SpectrumBox which) const;

  std::array<QLineEdit*, 4> boxes_{};  // Min, Max, Step, Stretch
  QPushButton* savePng_ = nullptr;
};

}  // namespace tsly
