#pragma once

#include <functional>

// Whether Tonnix can hear other applications through the desktop's
// accessibility interface, and asking the desktop to allow it. Main thread
// only; every question is quick.
class TonnixAccessibilityStatus {
 public:
  virtual ~TonnixAccessibilityStatus() = default;

  // Other applications expose themselves to Tonnix.
  virtual bool isTrusted() const = 0;
  // Asks the desktop to let applications expose themselves, without
  // waiting for it (starting the accessibility bus may take seconds):
  // `answered` is told isTrusted() afterwards, on the main thread.
  virtual void requestTrust(std::function<void(bool)> answered) = 0;
};
