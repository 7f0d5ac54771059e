#pragma once

#include <map>

#include "platform/workspace.h"

// A workspace whose applications a test lists by hand. Counts lookups so
// that callers' caching can be checked.
class TonnixFakeWorkspace : public TonnixWorkspace {
 public:
  // Adds the application, replacing one with the same process identifier.
  void addApplication(TonnixRunningApplication application);
  void removeApplication(std::int32_t processIdentifier);

  std::optional<TonnixRunningApplication> runningApplication(
      std::int32_t processIdentifier) const override;

  // How often runningApplication() was asked, found or not.
  int lookupCount() const { return lookupCount_; }

 private:
  std::map<std::int32_t, TonnixRunningApplication> applications_;
  mutable int lookupCount_ = 0;
};
