#include "platform/linux/mouse_monitor_factory.h"

#include "platform/linux/atspi_mouse_monitor.h"
#include "platform/linux/libinput_mouse_monitor.h"
#include "platform/linux/session_type.h"
#include "platform/linux/xinput_mouse_monitor.h"
#include "support/diagnostics.h"

namespace {

// For a session where nothing can watch the mouse: every watch is refused,
// and the controller says so.
class TonnixNullMouseMonitor final : public TonnixMouseMonitor {
 protected:
  bool startWatching(TonnixMouseEventKind) override { return false; }
  void stopWatching(TonnixMouseEventKind) override {}
};

void say(const QString& text) {
  tonnixDiagnostic("TonnixMouseMonitor", text.toStdString());
}

}  // namespace

std::unique_ptr<TonnixMouseMonitor> makeMouseMonitor() {
  if (isWaylandSession()) {
    auto libinput = TonnixLibinputMouseMonitor::connect();
    if (libinput) {
      say(TonnixLibinputMouseMonitor::description());
      return std::move(*libinput);
    }
    say(QStringLiteral("pointer devices: %1").arg(libinput.error()));
  }
  auto xinput = TonnixXInputMouseMonitor::connect();
  if (xinput) {
    say((*xinput)->description());
    return std::move(*xinput);
  }
  auto atspi = TonnixAtspiMouseMonitor::connect();
  if (atspi) {
    say(QStringLiteral("%1; XInput 2: %2")
            .arg(TonnixAtspiMouseMonitor::description(), xinput.error()));
    return std::move(*atspi);
  }
  say(QStringLiteral("none; XInput 2: %1; AT-SPI: %2").arg(xinput.error(), atspi.error()));
  return std::make_unique<TonnixNullMouseMonitor>();
}
