#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// A lock some process holds against the session going idle, as logind
// lists them (org.freedesktop.login1.Manager.ListInhibitors).
struct TonnixIdleInhibitor {
  // Colon-separated: "idle", "sleep", "shutdown", "handle-lid-switch", ...
  QString what;
  // "block" or "delay".
  QString mode;
  std::int64_t processIdentifier = 0;
};

// Whether another process keeps the display from going idle, as video
// players do while they play: a blocking inhibitor whose `what` names
// "idle". This process's own locks never count.
bool tonnixOtherProcessInhibitsIdle(const std::vector<TonnixIdleInhibitor>& inhibitors,
                                    std::int64_t ownProcessIdentifier);
