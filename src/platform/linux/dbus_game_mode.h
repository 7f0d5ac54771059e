#pragma once

#include "platform/linux/cached_fact.h"

// Whether Feral GameMode runs a session: its daemon on the session bus
// counts at least one registered game (com.feralinteractive.GameMode
// ClientCount). Asked in the background; the answer is reused for a
// second. No daemon answers no. Main thread only.
class TonnixDBusGameMode {
 public:
  TonnixDBusGameMode();

  bool hasSession() { return fact_.value(); }

 private:
  TonnixCachedFact fact_;
};
