#include "platform/linux/atspi_layout_changes.h"

#include <atspi/atspi.h>

#include "platform/linux/atspi_window_parts.h"

namespace {

// A page or pop-up replaces children or shows others, a scroll shows
// other rows, focus may move a window's default; windows come, go and
// rise. Not bounds, nor other states: animations send those by the
// hundred a second, and a relayout that matters comes with one of these.
constexpr const char* kEventTypes[] = {
    "object:children-changed",         "object:state-changed:showing",
    "object:state-changed:visible",    "object:state-changed:focused",
    "object:state-changed:is-default", "object:state-changed:expanded",
    "object:visible-data-changed",     "window:"};

}  // namespace

TonnixAtspiLayoutChanges::TonnixAtspiLayoutChanges(std::function<void()> changed)
    : changed_(std::move(changed)),
      listener_(atspi_event_listener_new(&TonnixAtspiLayoutChanges::receive, this, nullptr)) {
  // A type the registry refuses is only followed less closely.
  for (const char* type : kEventTypes)
    (void)atspi_event_listener_register(listener_, type, nullptr);
  const auto tell = [this] { changed_(); };
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::activeWindowChanged, tell);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowAdded, tell);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowRemoved, tell);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowStateChanged, tell);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowGeometryChanged, tell);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::stackingChanged, tell);
}

TonnixAtspiLayoutChanges::~TonnixAtspiLayoutChanges() {
  for (const char* type : kEventTypes) {
    (void)atspi_event_listener_deregister(listener_, type, nullptr);
  }
  g_object_unref(listener_);
}

void TonnixAtspiLayoutChanges::receive(AtspiEvent* event, void* changes) {
  g_boxed_free(ATSPI_TYPE_EVENT, event);
  forgetAtspiDefaultButtons();
  static_cast<TonnixAtspiLayoutChanges*>(changes)->changed_();
}
