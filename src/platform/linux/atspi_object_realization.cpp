#include "platform/linux/atspi_object_realization.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <cstring>
#include <memory>
#include <set>

namespace {

// Generous: the walk runs on its own, and a hung application only keeps
// its answer.
constexpr int answerMilliseconds = 10'000;

struct Walk {
  DBusConnection* bus = nullptr;
  QByteArray busName;
  std::set<QByteArray> asked;
  std::size_t limit = 0;
};

struct Request {
  std::shared_ptr<Walk> walk;
};

void ask(const std::shared_ptr<Walk>& walk, const QByteArray& path);

// GetChildren's a(so): the children of the same application are asked next.
void answered(DBusPendingCall* pending, void* data) {
  const auto& walk = static_cast<Request*>(data)->walk;
  DBusMessage* reply = dbus_pending_call_steal_reply(pending);
  if (!reply) return;
  DBusMessageIter top;
  if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
      dbus_message_iter_init(reply, &top) &&
      dbus_message_iter_get_arg_type(&top) == DBUS_TYPE_ARRAY) {
    DBusMessageIter children;
    dbus_message_iter_recurse(&top, &children);
    for (; dbus_message_iter_get_arg_type(&children) == DBUS_TYPE_STRUCT;
         dbus_message_iter_next(&children)) {
      DBusMessageIter fields;
      dbus_message_iter_recurse(&children, &fields);
      const char* busName = nullptr;
      const char* path = nullptr;
      if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_STRING) continue;
      dbus_message_iter_get_basic(&fields, &busName);
      dbus_message_iter_next(&fields);
      if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_OBJECT_PATH) continue;
      dbus_message_iter_get_basic(&fields, &path);
      if (walk->busName != busName || !std::strcmp(path, "/org/a11y/atspi/null")) continue;
      ask(walk, path);
    }
  }
  dbus_message_unref(reply);
}

void forget(void* data) {
  delete static_cast<Request*>(data);
}

void sendToWalk(const std::shared_ptr<Walk>& walk, const QByteArray& path, const char* method,
                DBusPendingCallNotifyFunction notify) {
  DBusMessage* message = dbus_message_new_method_call(walk->busName.constData(), path.constData(),
                                                      "org.a11y.atspi.Accessible", method);
  if (!message) return;
  DBusPendingCall* pending = nullptr;
  if (dbus_connection_send_with_reply(walk->bus, message, &pending, answerMilliseconds) &&
      pending) {
    dbus_pending_call_set_notify(pending, notify, new Request{walk}, forget);
    dbus_pending_call_unref(pending);
  }
  dbus_message_unref(message);
}

void ask(const std::shared_ptr<Walk>& walk, const QByteArray& path) {
  if (walk->asked.size() >= walk->limit || !walk->asked.insert(path).second) return;
  sendToWalk(walk, path, "GetChildren", answered);
}

}  // namespace

void realizeAtspiObjects(const QByteArray& busName, const QByteArray& path, int limit) {
  DBusConnection* bus = atspi_get_a11y_bus();
  if (!bus || busName.isEmpty() || path.isEmpty() || limit <= 0) return;
  auto walk = std::make_shared<Walk>();
  walk->bus = bus;
  walk->busName = busName;
  walk->limit = static_cast<std::size_t>(limit);
  ask(walk, path);
}
