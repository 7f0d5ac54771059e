#include "platform/linux/atspi_announcements.h"

#include <atspi/atspi.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/atspi_roles.h"

namespace {

constexpr std::size_t keyLimit = 64;

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

// Remembers `key` once, the oldest going first past the limit.
void remember(std::deque<QString>& keys, const QString& key) {
  if (std::find(keys.begin(), keys.end(), key) != keys.end()) return;
  if (keys.size() >= keyLimit) keys.pop_front();
  keys.push_back(key);
}

}  // namespace

std::optional<TonnixAtspiRootChildChange> atspiRootChildChange(DBusMessage* message) {
  if (!dbus_message_is_signal(message, "org.a11y.atspi.Event.Object", "ChildrenChanged")) {
    return std::nullopt;
  }
  const char* sender = dbus_message_get_sender(message);
  const char* path = dbus_message_get_path(message);
  DBusMessageIter field;
  if (!sender || !path || std::strcmp(path, tonnixAtspiRootPath) != 0 ||
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
  if ((!child || std::strcmp(child, tonnixAtspiRootPath) == 0) && dbus_message_iter_next(&field)) {
    child = referencedPath(&field);
  }
  if (!child || std::strcmp(child, tonnixAtspiRootPath) == 0) return std::nullopt;
  return TonnixAtspiRootChildChange{QString::fromUtf8(sender) + QString::fromUtf8(child), isAdded};
}

// AddAccessible's one argument: the object, its application and its
// parent, its index and count of children, interfaces, name, role, ...
std::optional<QString> atspiAnnouncedMenuOwner(DBusMessage* message) {
  if (!dbus_message_is_signal(message, "org.a11y.atspi.Cache", "AddAccessible")) {
    return std::nullopt;
  }
  const char* sender = dbus_message_get_sender(message);
  DBusMessageIter top;
  if (!sender || !dbus_message_iter_init(message, &top) ||
      dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_STRUCT) {
    return std::nullopt;
  }
  DBusMessageIter field;
  dbus_message_iter_recurse(&top, &field);
  for (int skipped = 0; skipped < 2; ++skipped) {
    if (!dbus_message_iter_next(&field)) return std::nullopt;
  }
  const char* parent = referencedPath(&field);
  for (int skipped = 0; skipped < 5; ++skipped) {
    if (!dbus_message_iter_next(&field)) return std::nullopt;
  }
  if (!parent || dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_UINT32) return std::nullopt;
  dbus_uint32_t role = 0;
  dbus_message_iter_get_basic(&field, &role);
  if (role >= ATSPI_ROLE_LAST_DEFINED || !isAtspiMenuRole(static_cast<AtspiRole>(role))) {
    return std::nullopt;
  }
  return QString::fromUtf8(sender) + QString::fromUtf8(parent);
}

TonnixAtspiAnnouncements& TonnixAtspiAnnouncements::shared() {
  static TonnixAtspiAnnouncements announcements;
  return announcements;
}

// libatspi's connection is made here, before libatspi adds its own reader
// to it.
TonnixAtspiAnnouncements::TonnixAtspiAnnouncements() : bus_(atspi_get_a11y_bus()) {
  if (bus_) dbus_connection_add_filter(bus_, &TonnixAtspiAnnouncements::read, this, nullptr);
}

TonnixAtspiAnnouncements::~TonnixAtspiAnnouncements() {
  if (bus_) dbus_connection_remove_filter(bus_, &TonnixAtspiAnnouncements::read, this);
}

// Called while libdbus dispatches, also inside a request that waits for
// its answer; every message is left to the others that read it.
DBusHandlerResult TonnixAtspiAnnouncements::read(DBusConnection*, DBusMessage* message,
                                                 void* data) {
  auto* announcements = static_cast<TonnixAtspiAnnouncements*>(data);
  if (const auto owner = atspiAnnouncedMenuOwner(message)) {
    remember(announcements->menuOwners_, *owner);
  } else if (const auto change = atspiRootChildChange(message)) {
    std::erase(announcements->shownWindows_, change->childKey);
    if (change->isAdded) remember(announcements->shownWindows_, change->childKey);
  }
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

bool TonnixAtspiAnnouncements::takeShownWindow(const QString& key) {
  const auto found = std::find(shownWindows_.begin(), shownWindows_.end(), key);
  if (found == shownWindows_.end()) return false;
  shownWindows_.erase(found);
  return true;
}

bool TonnixAtspiAnnouncements::isMenuOwner(const QString& key) const {
  return std::find(menuOwners_.begin(), menuOwners_.end(), key) != menuOwners_.end();
}

void TonnixAtspiAnnouncements::forget(const QString& key) {
  std::erase(shownWindows_, key);
  std::erase(menuOwners_, key);
}

void TonnixAtspiAnnouncements::forgetApplication(const QString& busName) {
  const QString prefix = busName + u'/';
  const auto isOfIt = [&](const QString& key) { return key.startsWith(prefix); };
  std::erase_if(shownWindows_, isOfIt);
  std::erase_if(menuOwners_, isOfIt);
}
