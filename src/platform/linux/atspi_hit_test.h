#pragma once

#include <optional>
#include <vector>

#include "platform/linux/atspi_elements.h"
#include "platform/linux/x11_window_watcher.h"

// Finds the element under a screen point, as a press there would reach it.
// Main thread only.
class TonnixAtspiHitTest {
 public:
  explicit TonnixAtspiHitTest(TonnixAtspiElements& elements) : elements_(elements) {}

  // Descends from `from` through the objects under the point, stopping at
  // a control: GTK exposes a button's icon and a tab's label as children,
  // and a press on them is a press on the control.
  TonnixAtspiObjectRef deepest(TonnixAtspiTarget from, int x, int y);

  // The deepest element under the point in the applications' visible
  // windows, the active window asked first. AT-SPI does not tell which
  // window is in front: with `consultStacking` the window manager's
  // stacking order, as the watcher keeps it without asking the X server,
  // names the application on top at the point where there is one.
  std::optional<TonnixAXElement> hit(const std::vector<TonnixAtspiTarget>& applications, int x,
                                     int y, bool consultStacking);

 private:
  bool contains(const TonnixAtspiTarget& target, int x, int y);

  TonnixAtspiElements& elements_;
  TonnixX11WindowWatcher watcher_;
};
