#include "platform/linux/atspi_child_places.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct MessageUnref {
  void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

struct PendingUnref {
  void operator()(DBusPendingCall* pending) const {
    dbus_pending_call_cancel(pending);
    dbus_pending_call_unref(pending);
  }
};
using Pending = std::unique_ptr<DBusPendingCall, PendingUnref>;

struct Address {
  QByteArray busName;
  QByteArray path;
};

// Failures carry D-Bus's own error name, which the connection reads as
// libatspi's (a time-out, an unknown object, an unsupported method).
void fail(GError** error, const char* name, const char* message) {
  g_set_error(error, g_quark_from_static_string("tonnix-atspi-child-places"), 0, "%s: %s", name,
              message ? message : "");
}

Pending send(DBusConnection* bus, const Address& to, const char* interface, const char* method,
             std::optional<dbus_uint32_t> argument, int milliseconds) {
  Message message(
      dbus_message_new_method_call(to.busName.constData(), to.path.constData(), interface, method));
  if (!message) return {};
  if (argument)
    dbus_message_append_args(message.get(), DBUS_TYPE_UINT32, &*argument, DBUS_TYPE_INVALID);
  DBusPendingCall* pending = nullptr;
  if (!dbus_connection_send_with_reply(bus, message.get(), &pending, milliseconds)) return {};
  return Pending(pending);
}

// Waits for the answer; an error reply is handed back as it came.
Message reply(const Pending& pending) {
  if (!pending) return {};
  dbus_pending_call_block(pending.get());
  return Message(dbus_pending_call_steal_reply(pending.get()));
}

bool isError(const Message& message) {
  return dbus_message_get_type(message.get()) == DBUS_MESSAGE_TYPE_ERROR;
}

const char* errorText(const Message& message) {
  const char* text = nullptr;
  dbus_message_get_args(message.get(), nullptr, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
  return text;
}

// GetChildren's a(so).
std::vector<Address> addresses(const Message& message) {
  std::vector<Address> found;
  DBusMessageIter top;
  DBusMessageIter array;
  if (!dbus_message_iter_init(message.get(), &top) ||
      dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_ARRAY) {
    return found;
  }
  for (dbus_message_iter_recurse(&top, &array);
       dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&array)) {
    DBusMessageIter fields;
    dbus_message_iter_recurse(&array, &fields);
    const char* busName = nullptr;
    const char* path = nullptr;
    if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_STRING) continue;
    dbus_message_iter_get_basic(&fields, &busName);
    dbus_message_iter_next(&fields);
    if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_OBJECT_PATH) continue;
    dbus_message_iter_get_basic(&fields, &path);
    found.push_back({busName, path});
  }
  return found;
}

// GetExtents' (iiii).
std::optional<AtspiRect> rect(const Message& message) {
  DBusMessageIter top;
  DBusMessageIter fields;
  if (!dbus_message_iter_init(message.get(), &top) ||
      dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_STRUCT) {
    return std::nullopt;
  }
  dbus_message_iter_recurse(&top, &fields);
  dbus_int32_t values[4];
  for (dbus_int32_t& value : values) {
    if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_INT32) return std::nullopt;
    dbus_message_iter_get_basic(&fields, &value);
    dbus_message_iter_next(&fields);
  }
  return AtspiRect{values[0], values[1], values[2], values[3]};
}

// An object without the component interface has no place; one gone or
// defunct meanwhile is no child any more.
bool hasNoPlace(const Message& message) {
  const char* name = dbus_message_get_error_name(message.get());
  return name && (!std::strcmp(name, DBUS_ERROR_UNKNOWN_METHOD) ||
                  !std::strcmp(name, DBUS_ERROR_UNKNOWN_INTERFACE));
}

}  // namespace

TonnixAXResult<std::vector<TonnixAtspiChildPlace>> readAtspiChildPlaces(
    TonnixAtspiConnection& connection, const TonnixAtspiTarget& parent, AtspiCoordType coordinates,
    int limit) {
  std::vector<TonnixAtspiChildPlace> places;
  DBusConnection* bus = atspi_get_a11y_bus();
  const Address own{parent.object.busName().toUtf8(), parent.object.path().toUtf8()};
  if (!bus || own.busName.isEmpty() || own.path.isEmpty()) {
    return unexpected(TonnixAXError::invalidUIElement);
  }
  const int milliseconds = static_cast<int>(connection.timeout(parent.processIdentifier) * 1000.0);
  TONNIX_TRY(done, connection.call(parent.processIdentifier, [&](GError** error) {
    const auto listed =
        reply(send(bus, own, "org.a11y.atspi.Accessible", "GetChildren", {}, milliseconds));
    if (!listed) return fail(error, DBUS_ERROR_NO_MEMORY, "no answer");
    if (isError(listed)) {
      return fail(error, dbus_message_get_error_name(listed.get()), errorText(listed));
    }
    const auto children = addresses(listed);
    const int first = std::max(0, static_cast<int>(children.size()) - std::max(limit, 0));
    std::vector<Pending> asked;
    for (auto child = children.begin() + first; child != children.end(); ++child) {
      asked.push_back(send(bus, *child, "org.a11y.atspi.Component", "GetExtents",
                           static_cast<dbus_uint32_t>(coordinates), milliseconds));
    }
    for (std::size_t step = 0; step < asked.size(); ++step) {
      const auto answer = reply(asked[step]);
      if (!answer) continue;
      const Address& child = children[first + step];
      const int index = first + static_cast<int>(step);
      const QString key = QString::fromUtf8(child.busName + child.path);
      if (!isError(answer)) {
        places.push_back({index, key, rect(answer)});
      } else if (hasNoPlace(answer)) {
        places.push_back({index, key, std::nullopt});
      } else if (!std::strcmp(dbus_message_get_error_name(answer.get()), DBUS_ERROR_NO_REPLY)) {
        return fail(error, DBUS_ERROR_NO_REPLY, errorText(answer));
      }
    }
  }));
  return places;
}
