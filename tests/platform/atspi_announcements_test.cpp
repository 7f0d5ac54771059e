#include "platform/linux/atspi_announcements.h"

#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>

#include "platform/linux/dbus_handles.h"

namespace {

const char* const rootPath = "/org/a11y/atspi/accessible/root";

void appendReference(DBusMessageIter* into, const char* path) {
  DBusMessageIter reference;
  const char* busName = ":1.3";
  dbus_message_iter_open_container(into, DBUS_TYPE_STRUCT, nullptr, &reference);
  dbus_message_iter_append_basic(&reference, DBUS_TYPE_STRING, &busName);
  dbus_message_iter_append_basic(&reference, DBUS_TYPE_OBJECT_PATH, &path);
  dbus_message_iter_close_container(into, &reference);
}

// A ChildrenChanged signal from `path`, its value naming `value`, then
// either GTK 4.8's trailing reference to `last` or the properties newer
// toolkits send.
TonnixDBusMessage childrenChanged(const char* path, const char* change, const char* value,
                                  const char* last = nullptr) {
  TonnixDBusMessage message(
      dbus_message_new_signal(path, "org.a11y.atspi.Event.Object", "ChildrenChanged"));
  dbus_message_set_sender(message.get(), ":1.3");
  DBusMessageIter fields;
  dbus_message_iter_init_append(message.get(), &fields);
  const dbus_int32_t index = 1;
  const dbus_int32_t none = 0;
  dbus_message_iter_append_basic(&fields, DBUS_TYPE_STRING, &change);
  dbus_message_iter_append_basic(&fields, DBUS_TYPE_INT32, &index);
  dbus_message_iter_append_basic(&fields, DBUS_TYPE_INT32, &none);
  DBusMessageIter variant;
  dbus_message_iter_open_container(&fields, DBUS_TYPE_VARIANT, "(so)", &variant);
  appendReference(&variant, value);
  dbus_message_iter_close_container(&fields, &variant);
  if (last) {
    appendReference(&fields, last);
  } else {
    DBusMessageIter properties;
    dbus_message_iter_open_container(&fields, DBUS_TYPE_ARRAY, "{sv}", &properties);
    dbus_message_iter_close_container(&fields, &properties);
  }
  return message;
}

std::optional<TonnixAtspiRootChildChange> changeIn(const TonnixDBusMessage& message) {
  return atspiRootChildChange(message.get());
}

// GTK 4.8 names the root as the event's value and the window last.
TEST(AtspiRootChildChange, TheChildIsReadWhereverTheToolkitPutsIt) {
  const auto gtk48 = changeIn(childrenChanged(rootPath, "add", rootPath, "/app/a11y/w"));
  ASSERT_TRUE(gtk48);
  EXPECT_EQ(gtk48->childKey, QStringLiteral(":1.3/app/a11y/w"));
  EXPECT_TRUE(gtk48->isAdded);

  const auto plain = changeIn(childrenChanged(rootPath, "remove", "/app/a11y/v"));
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->childKey, QStringLiteral(":1.3/app/a11y/v"));
  EXPECT_FALSE(plain->isAdded);

  EXPECT_FALSE(changeIn(childrenChanged("/app/a11y/box", "add", "/app/a11y/button")));
  EXPECT_FALSE(changeIn(childrenChanged(rootPath, "add", rootPath)));
  EXPECT_FALSE(changeIn(childrenChanged(rootPath, "add", rootPath, rootPath)));
}

// GTK 4's announcement of an object of that role under `parent`.
TonnixDBusMessage added(const char* parent, dbus_uint32_t role) {
  TonnixDBusMessage message(
      dbus_message_new_signal("/org/a11y/atspi/cache", "org.a11y.atspi.Cache", "AddAccessible"));
  dbus_message_set_sender(message.get(), ":1.3");
  DBusMessageIter top;
  DBusMessageIter item;
  DBusMessageIter list;
  dbus_message_iter_init_append(message.get(), &top);
  dbus_message_iter_open_container(&top, DBUS_TYPE_STRUCT, nullptr, &item);
  appendReference(&item, "/app/a11y/popover");
  appendReference(&item, rootPath);
  appendReference(&item, parent);
  const dbus_int32_t index = 0;
  const char* text = "";
  dbus_message_iter_append_basic(&item, DBUS_TYPE_INT32, &index);
  dbus_message_iter_append_basic(&item, DBUS_TYPE_INT32, &index);
  dbus_message_iter_open_container(&item, DBUS_TYPE_ARRAY, "s", &list);
  dbus_message_iter_close_container(&item, &list);
  dbus_message_iter_append_basic(&item, DBUS_TYPE_STRING, &text);
  dbus_message_iter_append_basic(&item, DBUS_TYPE_UINT32, &role);
  dbus_message_iter_append_basic(&item, DBUS_TYPE_STRING, &text);
  dbus_message_iter_open_container(&item, DBUS_TYPE_ARRAY, "u", &list);
  dbus_message_iter_close_container(&item, &list);
  dbus_message_iter_close_container(&top, &item);
  return message;
}

// A popover menu names its owner as its parent.
TEST(AtspiAnnouncedMenuOwner, AMenuNamesItsOwnerAndNothingElseDoes) {
  EXPECT_EQ(atspiAnnouncedMenuOwner(added("/app/a11y/button", ATSPI_ROLE_MENU).get()),
            QStringLiteral(":1.3/app/a11y/button"));
  EXPECT_FALSE(atspiAnnouncedMenuOwner(added("/app/a11y/box", ATSPI_ROLE_PUSH_BUTTON).get()));
  EXPECT_FALSE(atspiAnnouncedMenuOwner(childrenChanged(rootPath, "add", "/app/a11y/w").get()));
}

}  // namespace
