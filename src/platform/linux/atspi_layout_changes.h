#pragma once

#include <functional>

#include "platform/linux/x11_window_watcher.h"

using AtspiEventListener = struct _AtspiEventListener;
using AtspiEvent = struct _AtspiEvent;

// Tells of anything that may move or replace what lies at a point: an
// element's children, bounds or states changing in any application, an
// application's windows, and the X windows the window manager lists.
// Conservative: which application changed is not looked up (that could
// itself wait on the bus), so any change counts. Its own AT-SPI listener,
// called from inside libatspi, possibly while another request waits for its
// answer: `changed` must only take note. Main thread only.
class TonnixAtspiLayoutChanges {
 public:
  explicit TonnixAtspiLayoutChanges(std::function<void()> changed);
  ~TonnixAtspiLayoutChanges();
  TonnixAtspiLayoutChanges(const TonnixAtspiLayoutChanges&) = delete;
  TonnixAtspiLayoutChanges& operator=(const TonnixAtspiLayoutChanges&) = delete;

 private:
  static void receive(AtspiEvent* event, void* changes);

  std::function<void()> changed_;
  AtspiEventListener* listener_;
  TonnixX11WindowWatcher watcher_;
};
