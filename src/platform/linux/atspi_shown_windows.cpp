#include "platform/linux/atspi_shown_windows.h"

#include <atspi/atspi.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t keyLimit = 64;
const char* const rootPath = "/org/a11y/atspi/accessible/root";

// The path of an (so) object reference; null when `field` is none.
const char* referencedPath(DBusMessageIter* field) {
  if (dbus_message_iter_get_arg_type(field) != DBUS_TYPE_STRUCT) return nullptr;
  DBusMessageIter parts;
  dbus_message_iter_recurse(field, &parts);
  if (!dbus_message_iter_next(&parts) ||
      dbus_message_iter_get_arg_type(&parts) != DBUS_TYPE_OBJECT_PATH) {
    return nullptr;
  }
  const char* path = nullptr;
  dbus_message_iter_get_basic(&parts, &path);
  return path;
}

}  // namespace

std::optional<TonnixAtspiRootChildChange> atspiRootChildChange(DBusMessage* message) {
  if (!dbus_message_is_signal(message, "org.a11y.atspi.Event.Object", "ChildrenChanged")) {
    return std::nullopt;
  }
  const char* sender = dbus_message_get_sender(message);
  const char* path = dbus_message_get_path(message);
  DBusMessageIter field;
  if (!sender || !path || std::strcmp(path, rootPath) != 0 ||
      !dbus_message_iter_init(message, &field) ||
      dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_STRING) {
    return std::nullopt;
  }
  const char* change = nullptr;
  dbus_message_iter_get_basic(&field, &change);
  const bool isAdded = std::strcmp(change, "add") == 0;
  if (!isAdded && std::strcmp(change, "remove") != 0) return std::nullopt;
  // The two details, then the value.
  for (int skipped = 0; skipped < 3; ++skipped) {
    if (!dbus_message_iter_next(&field)) return std::nullopt;
  }
  if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_VARIANT) return std::nullopt;
  DBusMessageIter value;
  dbus_message_iter_recurse(&field, &value);
  const char* child = referencedPath(&value);
  if ((!child || std::strcmp(child, rootPath) == 0) && dbus_message_iter_next(&field)) {
    child = referencedPath(&field);
  }
  if (!child || std::strcmp(child, rootPath) == 0) return std::nullopt;
  return TonnixAtspiRootChildChange{QString::fromUtf8(sender) + QString::fromUtf8(child), isAdded};
}

TonnixAtspiShownWindows& TonnixAtspiShownWindows::shared() {
  static TonnixAtspiShownWindows windows;
  return windows;
}

// libatspi's connection is made here, before libatspi adds its own reader
// to it.
TonnixAtspiShownWindows::TonnixAtspiShownWindows() : bus_(atspi_get_a11y_bus()) {
  if (bus_) dbus_connection_add_filter(bus_, &TonnixAtspiShownWindows::read, this, nullptr);
}

TonnixAtspiShownWindows::~TonnixAtspiShownWindows() {
  if (bus_) dbus_connection_remove_filter(bus_, &TonnixAtspiShownWindows::read, this);
}

// Called while libdbus dispatches, also inside a request that waits for
// its answer; every message is left to the others that read it.
DBusHandlerResult TonnixAtspiShownWindows::read(DBusConnection*, DBusMessage* message, void* data) {
  auto* windows = static_cast<TonnixAtspiShownWindows*>(data);
  const auto change = atspiRootChildChange(message);
  if (!change) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  windows->forget(change->childKey);
  if (!change->isAdded) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  if (windows->keys_.size() >= keyLimit) windows->keys_.pop_front();
  windows->keys_.push_back(change->childKey);
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

bool TonnixAtspiShownWindows::take(const QString& key) {
  const auto found = std::find(keys_.begin(), keys_.end(), key);
  if (found == keys_.end()) return false;
  keys_.erase(found);
  return true;
}

void TonnixAtspiShownWindows::forget(const QString& key) {
  std::erase(keys_, key);
}

void TonnixAtspiShownWindows::forgetApplication(const QString& busName) {
  const QString prefix = busName + u'/';
  std::erase_if(keys_, [&](const QString& key) { return key.startsWith(prefix); });
}
