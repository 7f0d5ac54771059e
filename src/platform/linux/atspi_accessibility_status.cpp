// GIO first: its headers name struct members "signals", which Qt defines.
#include "platform/linux/atspi_accessibility_status.h"

#include <gio/gio.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QVariant>

namespace {

const QString busService = QStringLiteral("org.a11y.Bus");
const QString busPath = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString enabledProperty = QStringLiteral("IsEnabled");
constexpr int replyTimeout = 500;  // milliseconds
constexpr int launchTimeout = 5000;
const char* const interfaceSchema = "org.gnome.desktop.interface";
const char* const toolkitAccessibilityKey = "toolkit-accessibility";

// The settings object for the desktop interface schema, or null where the
// schema or its key is not installed (GSettings aborts on unknown ones).
GSettings* interfaceSettings() {
  auto* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  auto* schema = g_settings_schema_source_lookup(source, interfaceSchema, TRUE);
  if (!schema) return nullptr;
  GSettings* settings = nullptr;
  if (g_settings_schema_has_key(schema, toolkitAccessibilityKey)) {
    settings = g_settings_new_full(schema, nullptr, nullptr);
  }
  g_settings_schema_unref(schema);
  return settings;
}

}  // namespace

bool TonnixAtspiAccessibilityStatus::hasAccessibilityBus() const {
  auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const auto registered = bus.interface()->isServiceRegistered(busService);
  return registered.isValid() && registered.value();
}

std::optional<bool> TonnixAtspiAccessibilityStatus::isEnabled() const {
  if (!hasAccessibilityBus()) return std::nullopt;
  auto message = QDBusMessage::createMethodCall(busService, busPath, propertiesInterface,
                                                QStringLiteral("Get"));
  message << statusInterface << enabledProperty;
  const auto reply = QDBusConnection::sessionBus().call(message, QDBus::Block, replyTimeout);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return std::nullopt;
  }
  const auto value = reply.arguments().constFirst().value<QDBusVariant>().variant();
  if (value.typeId() != QMetaType::Bool) return std::nullopt;
  return value.toBool();
}

std::optional<bool> TonnixAtspiAccessibilityStatus::toolkitAccessibility() const {
  auto* settings = interfaceSettings();
  if (!settings) return std::nullopt;
  const bool on = g_settings_get_boolean(settings, toolkitAccessibilityKey);
  g_object_unref(settings);
  return on;
}

bool TonnixAtspiAccessibilityStatus::isSwitchedOn() const {
  if (!hasAccessibilityBus()) return false;
  return isEnabled().value_or(false) || toolkitAccessibility().value_or(false);
}

namespace {

// Sets GNOME's switch, and returns the message that sets the bus's:
// setting that property starts the launcher by D-Bus activation when it is
// installed but not running.
QDBusMessage switchOnMessage() {
  if (auto* settings = interfaceSettings()) {
    g_settings_set_boolean(settings, toolkitAccessibilityKey, TRUE);
    g_settings_sync();
    g_object_unref(settings);
  }
  auto message = QDBusMessage::createMethodCall(busService, busPath, propertiesInterface,
                                                QStringLiteral("Set"));
  message << statusInterface << enabledProperty
          << QVariant::fromValue(QDBusVariant(QVariant(true)));
  return message;
}

}  // namespace

bool TonnixAtspiAccessibilityStatus::switchOn() {
  const QDBusMessage message = switchOnMessage();
  auto bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) bus.call(message, QDBus::Block, launchTimeout);
  return isSwitchedOn();
}

void TonnixAtspiAccessibilityStatus::switchOn(std::function<void(bool)> answered) {
  const QDBusMessage message = switchOnMessage();
  auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    answered(isSwitchedOn());
    return;
  }
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, launchTimeout));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [watcher, answered = std::move(answered)] {
                     watcher->deleteLater();
                     // Asked afresh: the switch holds no state of its own.
                     answered(TonnixAtspiAccessibilityStatus().isSwitchedOn());
                   });
}
