#pragma once

#include <optional>

#include "platform/accessibility_status.h"

// Whether the desktop's accessibility is switched on, and switching it on.
// On Linux an application is never refused access to another: what can be
// missing is the accessibility bus (at-spi2-core's launcher, org.a11y.Bus
// on the session bus) or the desktop's switch, which toolkits such as Qt,
// Firefox and Chromium read before they expose anything: org.a11y.Status
// IsEnabled on that bus, kept equal by the launcher to GNOME's
// toolkit-accessibility setting where that setting exists. Every question
// is bounded by a short D-Bus time-out.
class TonnixAtspiAccessibilityStatus : public TonnixAccessibilityStatus {
 public:
  // The accessibility bus's launcher runs (it is not started by asking).
  bool hasAccessibilityBus() const;
  // org.a11y.Status IsEnabled; nothing when nobody answers.
  std::optional<bool> isEnabled() const;
  // org.gnome.desktop.interface toolkit-accessibility; nothing where that
  // setting is not installed.
  std::optional<bool> toolkitAccessibility() const;

  // A bus, and the switch on (either of the two says so).
  bool isSwitchedOn() const;
  // Sets both switches, starting the bus's launcher if it is installed but
  // not running; answers isSwitchedOn() afterwards. Applications that
  // started before may need a restart to notice.
  bool switchOn();
  // The same without waiting for the launcher: `answered` is told
  // isSwitchedOn() once the bus has answered or the wait has timed out.
  void switchOn(std::function<void(bool)> answered);

  bool isTrusted() const override { return isSwitchedOn(); }
  void requestTrust(std::function<void(bool)> answered) override { switchOn(std::move(answered)); }
};
