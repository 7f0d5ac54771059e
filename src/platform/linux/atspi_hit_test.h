#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <vector>

#include "platform/linux/atspi_elements.h"
#include "platform/linux/x11_window_watcher.h"

// Finds the element under a screen point, as a press there would reach it.
// Main thread only.
class TonnixAtspiHitTest {
 public:
  explicit TonnixAtspiHitTest(TonnixAtspiElements& elements);

  // Descends from `from` through the objects under the point, stopping at
  // a control: GTK exposes a button's icon and a tab's label as children,
  // and a press on them is a press on the control.
  TonnixAtspiObjectRef deepest(TonnixAtspiTarget from, int x, int y);

  // The deepest element under the point in the applications' visible
  // windows, the active window asked first. AT-SPI does not tell which
  // window is in front: with `consultStacking` the window manager's
  // stacking order, as the watcher keeps it without asking the X server,
  // names the application on top at the point where there is one. A point
  // on one of this process's own windows finds nothing without asking
  // anyone: its main thread is busy with the press. An application's
  // windows, their extents and which is active are reused until the
  // watcher sees a window change, and for a second at most.
  std::optional<TonnixAXElement> hit(const std::vector<TonnixAtspiTarget>& applications, int x,
                                     int y, bool consultStacking);

 private:
  struct Window {
    TonnixAtspiTarget target;
    std::optional<AtspiRect> extents;
    bool isActive = false;
  };
  using Clock = std::chrono::steady_clock;

  // The last child of `parent` whose extents hold the point, looking through
  // children without extents; reads at most `budget` children.
  std::optional<TonnixAtspiObjectRef> childByExtents(const TonnixAtspiTarget& parent, int x, int y,
                                                     int& budget);
  // The application's windows as AT-SPI lists them.
  const std::vector<Window>& windowsOf(const TonnixAtspiTarget& application);

  TonnixAtspiElements& elements_;
  std::int32_t ownProcessIdentifier_;
  std::map<std::int32_t, std::vector<Window>> windows_;
  Clock::time_point windowsReadAt_;
  TonnixX11WindowWatcher watcher_;
};
