#pragma once

#include "platform/accessibility_status.h"

// The desktop's accessibility switch as a test sets it; a request switches
// it on unless the test refuses.
class TonnixFakeAccessibilityStatus : public TonnixAccessibilityStatus {
 public:
  bool isTrusted() const override { return trusted; }
  void requestTrust(std::function<void(bool)> answered) override {
    ++requests;
    if (grantsRequests) trusted = true;
    answered(trusted);
  }

  bool trusted = false;
  bool grantsRequests = true;
  int requests = 0;
};
