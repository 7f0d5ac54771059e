#include "platform/linux/atspi_child_places.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/linux/dbus_handles.h"

namespace {

using Message = TonnixDBusMessage;
using Pending = TonnixDBusPending;

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

// `type` is DBUS_TYPE_INT32 or DBUS_TYPE_UINT32, both held in `argument`.
Pending send(DBusConnection* bus, const Address& to, const char* interface, const char* method,
             int type, std::uint32_t argument, int milliseconds) {
  Message message(
      dbus_message_new_method_call(to.busName.constData(), to.path.constData(), interface, method));
  if (!message || !dbus_message_append_args(message.get(), type, &argument, DBUS_TYPE_INVALID)) {
    return {};
  }
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

// Steps into the answer's one structure; false when it holds none.
bool openStruct(const Message& message, DBusMessageIter& fields) {
  DBusMessageIter top;
  if (!dbus_message_iter_init(message.get(), &top) ||
      dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_STRUCT) {
    return false;
  }
  dbus_message_iter_recurse(&top, &fields);
  return true;
}

// GetChildAtIndex's (so); none for no object (GTK answers a null path).
std::optional<Address> address(const Message& message) {
  DBusMessageIter fields;
  if (!openStruct(message, fields)) return std::nullopt;
  const char* busName = nullptr;
  const char* path = nullptr;
  if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_STRING) return std::nullopt;
  dbus_message_iter_get_basic(&fields, &busName);
  dbus_message_iter_next(&fields);
  if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_OBJECT_PATH) return std::nullopt;
  dbus_message_iter_get_basic(&fields, &path);
  if (!*busName || !std::strcmp(path, "/org/a11y/atspi/null")) return std::nullopt;
  return Address{busName, path};
}

// GetExtents' (iiii).
std::optional<AtspiRect> rect(const Message& message) {
  DBusMessageIter fields;
  if (!openStruct(message, fields)) return std::nullopt;
  dbus_int32_t values[4];
  for (dbus_int32_t& value : values) {
    if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_INT32) return std::nullopt;
    dbus_message_iter_get_basic(&fields, &value);
    dbus_message_iter_next(&fields);
  }
  return AtspiRect{values[0], values[1], values[2], values[3]};
}

// An object without a place of its own (no component interface, or
// extents of -1) is told apart from one that is hidden (an empty rectangle).
std::optional<AtspiRect> placeIn(const Message& answer) {
  if (isError(answer)) return std::nullopt;
  const auto found = rect(answer);
  if (!found || found->width < 0 || found->height < 0) return std::nullopt;
  return found;
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
    const int count = atspi_accessible_get_child_count(parent.object.get(), error);
    if (*error) return;
    // By index, as libatspi's own child requests: GTK 4 lists a stack's
    // pages' content in GetChildren, its pages by index.
    const int first = std::max(0, count - std::max(limit, 0));
    std::vector<Pending> listed;
    for (int index = first; index < count; ++index) {
      listed.push_back(send(bus, own, "org.a11y.atspi.Accessible", "GetChildAtIndex",
                            DBUS_TYPE_INT32, static_cast<std::uint32_t>(index), milliseconds));
    }
    std::vector<std::pair<int, Address>> children;
    for (std::size_t step = 0; step < listed.size(); ++step) {
      const auto answer = reply(listed[step]);
      if (answer && dbus_message_is_error(answer.get(), DBUS_ERROR_NO_REPLY)) {
        return fail(error, DBUS_ERROR_NO_REPLY, errorText(answer));
      }
      const auto child = answer ? address(answer) : std::nullopt;
      if (child) children.emplace_back(first + static_cast<int>(step), *child);
    }
    std::vector<Pending> asked;
    for (const auto& child : children) {
      asked.push_back(send(bus, child.second, "org.a11y.atspi.Component", "GetExtents",
                           DBUS_TYPE_UINT32, static_cast<std::uint32_t>(coordinates),
                           milliseconds));
    }
    for (std::size_t step = 0; step < asked.size(); ++step) {
      const auto answer = reply(asked[step]);
      if (!answer) continue;
      if (dbus_message_is_error(answer.get(), DBUS_ERROR_NO_REPLY)) {
        return fail(error, DBUS_ERROR_NO_REPLY, errorText(answer));
      }
      const auto& [index, child] = children[step];
      places.push_back({index, QString::fromUtf8(child.busName + child.path), placeIn(answer)});
    }
  }));
  return places;
}
