#include "platform/linux/session_type.h"

#include <QString>

bool isWaylandSession() {
  return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
         (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
          qEnvironmentVariableIsEmpty("DISPLAY"));
}
