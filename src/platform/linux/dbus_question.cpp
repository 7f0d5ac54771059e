#include "platform/linux/dbus_question.h"

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace {

constexpr int timeoutMilliseconds = 1000;

QDBusConnection connection(QDBusConnection::BusType bus) {
  return bus == QDBusConnection::SystemBus ? QDBusConnection::systemBus()
                                           : QDBusConnection::sessionBus();
}

QVariant unwrapped(const QVariant& value) {
  if (value.canConvert<QDBusVariant>()) return value.value<QDBusVariant>().variant();
  return value;
}

}  // namespace

TonnixCachedFact::Fetch tonnixDBusQuestion(QDBusConnection::BusType bus, QDBusMessage message,
                                           std::function<bool(const QDBusMessage&)> interpret) {
  message.setAutoStartService(false);
  return [bus, message, interpret](TonnixCachedFact::Completion done) {
    const QDBusConnection connected = connection(bus);
    if (!connected.isConnected()) {
      done(false);
      return;
    }
    auto* watcher = new QDBusPendingCallWatcher(connected.asyncCall(message, timeoutMilliseconds));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [interpret, done](QDBusPendingCallWatcher* finished) {
                       const QDBusMessage reply = finished->reply();
                       finished->deleteLater();
                       done(reply.type() == QDBusMessage::ReplyMessage && interpret(reply));
                     });
  };
}

QDBusMessage tonnixDBusPropertyGet(const QString& service, const QString& path,
                                   const QString& interface, const QString& property) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  message << interface << property;
  return message;
}

bool tonnixDBusReplyIsTrue(const QDBusMessage& reply) {
  if (reply.arguments().isEmpty()) return false;
  const QVariant value = unwrapped(reply.arguments().constFirst());
  return value.typeId() == QMetaType::Bool && value.toBool();
}
