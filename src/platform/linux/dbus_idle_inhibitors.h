#pragma once

#include "platform/linux/cached_fact.h"

// Whether another process keeps the session from going idle, as video
// players do while a film plays: a blocking "idle" inhibitor that logind
// lists (system bus), or an idle inhibitor of the GNOME session manager,
// where org.freedesktop.ScreenSaver.Inhibit ends up on GNOME. This process
// holds neither kind, and its own logind locks would never count. Asked in
// the background; the answer is reused for a second. Main thread only.
class TonnixDBusIdleInhibitors {
 public:
  TonnixDBusIdleInhibitors();

  bool isHeldByOtherProcess() { return fact_.value(); }

 private:
  TonnixCachedFact fact_;
};
