#include "platform/linux/idle_inhibitor.h"

#include <QStringList>
#include <algorithm>

bool tonnixOtherProcessInhibitsIdle(const std::vector<TonnixIdleInhibitor>& inhibitors,
                                    std::int64_t ownProcessIdentifier) {
  return std::ranges::any_of(inhibitors, [&](const TonnixIdleInhibitor& inhibitor) {
    return inhibitor.processIdentifier != ownProcessIdentifier &&
           inhibitor.mode == QLatin1String("block") &&
           inhibitor.what.split(QLatin1Char(':')).contains(QLatin1String("idle"));
  });
}
