#pragma once

#include "platform/accessibility_status.h"

// The desktop's accessibility switch as a test sets it; a request switches
// it on unless the test refuses.
class TonnixFakeAccessibilityStatus : public TonnixAccessibilityStatus {
 public:
  bool isTrusted() const override { return trusted; }
  bool requestTrust() override {
    ++requests;
    if (grantsRequests) trusted = true;
    return trusted;
  }

  bool trusted = false;
  bool grantsRequests = true;
  int requests = 0;
};
