// What the "Velocity Field" window needs of the main window: to show a CDP
// there. The main window implements it; the field window never sees one of its
// widgets.
#pragma once

namespace tsly {

class FieldHost {
 public:
  virtual ~FieldHost() = default;
  // Shows the listed CDP nearest `cdp` in the main window, as Next and Prev
  // move (the picks of the CDP shown are checked first).
  virtual void showCdp(int cdp) = 0;
};

}  // namespace tsly
