#include "platform/linux/atspi_element_texts.h"

#include <array>
#include <memory>

#include "platform/linux/dbus_handles.h"

namespace {

using Message = TonnixDBusMessage;
using Pending = TonnixDBusPending;

constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";

Pending send(DBusConnection* bus, DBusMessage* message, int milliseconds) {
  if (!message) return {};
  const Message owned(message);
  DBusPendingCall* pending = nullptr;
  if (!dbus_connection_send_with_reply(bus, message, &pending, milliseconds)) return {};
  return Pending(pending);
}

Pending askProperty(DBusConnection* bus, const QByteArray& busName, const QByteArray& path,
                    const char* property, int milliseconds) {
  DBusMessage* message = dbus_message_new_method_call(busName.constData(), path.constData(),
                                                      "org.freedesktop.DBus.Properties", "Get");
  if (message && !dbus_message_append_args(message, DBUS_TYPE_STRING, &accessibleInterface,
                                           DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID)) {
    dbus_message_unref(message);
    return {};
  }
  return send(bus, message, milliseconds);
}

// A string answer, or a property's string in its variant; none when empty.
std::optional<QString> text(const Message& answer) {
  DBusMessageIter top;
  if (!answer || dbus_message_get_type(answer.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
      !dbus_message_iter_init(answer.get(), &top)) {
    return std::nullopt;
  }
  DBusMessageIter inner;
  DBusMessageIter* value = &top;
  if (dbus_message_iter_get_arg_type(&top) == DBUS_TYPE_VARIANT) {
    dbus_message_iter_recurse(&top, &inner);
    value = &inner;
  }
  if (dbus_message_iter_get_arg_type(value) != DBUS_TYPE_STRING) return std::nullopt;
  const char* found = nullptr;
  dbus_message_iter_get_basic(value, &found);
  if (!found || !*found) return std::nullopt;
  return QString::fromUtf8(found);
}

}  // namespace

TonnixAXResult<TonnixAtspiElementTexts> readAtspiElementTexts(TonnixAtspiConnection& connection,
                                                              const TonnixAtspiTarget& target) {
  DBusConnection* bus = atspi_get_a11y_bus();
  const QByteArray busName = target.object.busName().toUtf8();
  const QByteArray path = target.object.path().toUtf8();
  if (!bus || busName.isEmpty() || path.isEmpty()) {
    return unexpected(TonnixAXError::invalidUIElement);
  }
  const int milliseconds = static_cast<int>(connection.timeout(target.processIdentifier) * 1000.0);
  TonnixAtspiElementTexts texts;
  TONNIX_TRY(done, connection.call(target.processIdentifier, [&](GError** error) {
    std::array<Pending, 4> asked{
        askProperty(bus, busName, path, "Name", milliseconds),
        askProperty(bus, busName, path, "Description", milliseconds),
        askProperty(bus, busName, path, "AccessibleId", milliseconds),
        send(bus,
             dbus_message_new_method_call(busName.constData(), path.constData(),
                                          accessibleInterface, "GetLocalizedRoleName"),
             milliseconds)};
    std::array<std::optional<QString>*, 4> into{&texts.name, &texts.description, &texts.identifier,
                                                &texts.roleDescription};
    for (std::size_t index = 0; index < asked.size(); ++index) {
      if (!asked[index]) continue;
      dbus_pending_call_block(asked[index].get());
      const Message answer(dbus_pending_call_steal_reply(asked[index].get()));
      if (answer && dbus_message_is_error(answer.get(), DBUS_ERROR_NO_REPLY)) {
        g_set_error(error, g_quark_from_static_string("tonnix-atspi-element-texts"), 0, "%s",
                    DBUS_ERROR_NO_REPLY);
        return;
      }
      *into[index] = text(answer);
    }
  }));
  return texts;
}
