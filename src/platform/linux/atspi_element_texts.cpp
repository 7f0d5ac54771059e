#include "platform/linux/atspi_element_texts.h"

#include <array>
#include <memory>

#include "platform/linux/atspi_request_batch.h"

namespace {

// A string answer, or a property's string in its variant; none when empty.
std::optional<QString> text(DBusMessage* answer) {
  DBusMessageIter top;
  if (!answer || dbus_message_get_type(answer) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
      !dbus_message_iter_init(answer, &top)) {
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
  const int milliseconds = static_cast<int>(connection.timeout(target.processIdentifier) * 1000.0);
  TonnixAtspiRequestBatch batch(target.object, milliseconds);
  if (!batch.isValid()) return unexpected(TonnixAXError::invalidUIElement);
  TonnixAtspiElementTexts texts;
  TONNIX_TRY(done, connection.call(target.processIdentifier, [&](GError** error) {
    const std::array asked{batch.property("Name"), batch.property("Description"),
                           batch.property("AccessibleId"), batch.method("GetLocalizedRoleName")};
    if (!batch.wait(error)) return;
    std::array<std::optional<QString>*, 4> into{&texts.name, &texts.description, &texts.identifier,
                                                &texts.roleDescription};
    for (std::size_t index = 0; index < asked.size(); ++index) {
      *into[index] = text(batch.answer(asked[index]));
    }
  }));
  return texts;
}
