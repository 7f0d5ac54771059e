#include "platform/linux/atspi_request_batch.h"

#include <atspi/atspi.h>

namespace {

constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";

}  // namespace

TonnixAtspiRequestBatch::TonnixAtspiRequestBatch(const TonnixAtspiObjectRef& object,
                                                 int milliseconds)
    : busName_(object.busName().toUtf8()),
      path_(object.path().toUtf8()),
      milliseconds_(milliseconds) {
  if (!busName_.isEmpty() && !path_.isEmpty()) bus_ = atspi_get_a11y_bus();
}

std::size_t TonnixAtspiRequestBatch::property(const char* name) {
  DBusMessage* message = dbus_message_new_method_call(busName_.constData(), path_.constData(),
                                                      "org.freedesktop.DBus.Properties", "Get");
  if (message && !dbus_message_append_args(message, DBUS_TYPE_STRING, &accessibleInterface,
                                           DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
    dbus_message_unref(message);
    message = nullptr;
  }
  return send(message);
}

std::size_t TonnixAtspiRequestBatch::method(const char* name) {
  return send(dbus_message_new_method_call(busName_.constData(), path_.constData(),
                                           accessibleInterface, name));
}

std::size_t TonnixAtspiRequestBatch::send(DBusMessage* message) {
  const TonnixDBusMessage owned(message);
  DBusPendingCall* pending = nullptr;
  if (bus_ && message && dbus_connection_send_with_reply(bus_, message, &pending, milliseconds_)) {
    pending_.emplace_back(pending);
  } else {
    pending_.emplace_back();
  }
  answers_.emplace_back();
  return pending_.size() - 1;
}

bool TonnixAtspiRequestBatch::wait(GError** error) {
  for (std::size_t index = 0; index < pending_.size(); ++index) {
    if (!pending_[index]) continue;
    dbus_pending_call_block(pending_[index].get());
    answers_[index].reset(dbus_pending_call_steal_reply(pending_[index].get()));
    if (answers_[index] && dbus_message_is_error(answers_[index].get(), DBUS_ERROR_NO_REPLY)) {
      g_set_error(error, g_quark_from_static_string("tonnix-atspi-request-batch"), 0, "%s",
                  DBUS_ERROR_NO_REPLY);
      return false;
    }
  }
  return true;
}
