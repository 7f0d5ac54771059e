#pragma once

// Whether Tonnix can hear other applications through the desktop's
// accessibility interface, and asking the desktop to allow it. Main thread
// only; every question is quick.
class TonnixAccessibilityStatus {
 public:
  virtual ~TonnixAccessibilityStatus() = default;

  // Other applications expose themselves to Tonnix.
  virtual bool isTrusted() const = 0;
  // Asks the desktop to let applications expose themselves; answers
  // isTrusted() afterwards.
  virtual bool requestTrust() = 0;
};
