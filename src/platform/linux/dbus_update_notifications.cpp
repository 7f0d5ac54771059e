#include "platform/linux/dbus_update_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// The answer may take a moment while a notification daemon starts on demand.
constexpr int callTimeoutMilliseconds = 5000;

}  // namespace

TonnixDBusUpdateNotifications::TonnixDBusUpdateNotifications(QDBusConnection bus, QObject* parent)
    : TonnixUpdateNotifications(parent), bus_(std::move(bus)) {
  bus_.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
               SLOT(actionInvoked(uint, QString)));
  bus_.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
               SLOT(notificationClosed(uint, uint)));
}

void TonnixDBusUpdateNotifications::post(const QString& title, const QString& body) {
  if (!bus_.isConnected()) {
    QMetaObject::invokeMethod(this, &TonnixUpdateNotifications::refused, Qt::QueuedConnection);
    return;
  }
  auto call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
  const QVariantMap hints{
      {QStringLiteral("desktop-entry"), QStringLiteral("org.tonnix.Tonnix")},
      {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
  };
  // Replacing the one still shown, so there is never more than one.
  call << QStringLiteral("Tonnix") << shown_ << QStringLiteral("org.tonnix.Tonnix") << title << body
       << QStringList{QStringLiteral("default"), QStringLiteral("Install")} << hints << -1;
  auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(call, callTimeoutMilliseconds), this);
  connect(answer, &QDBusPendingCallWatcher::finished, this, [this, answer] {
    answer->deleteLater();
    const QDBusPendingReply<uint> reply = *answer;
    if (reply.isError() || reply.value() == 0) {
      emit refused();
      return;
    }
    shown_ = reply.value();
  });
}

void TonnixDBusUpdateNotifications::withdraw() {
  if (shown_ == 0) return;
  auto call =
      QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("CloseNotification"));
  call << std::exchange(shown_, 0u);
  bus_.call(call, QDBus::NoBlock);
}

void TonnixDBusUpdateNotifications::actionInvoked(uint id, const QString& action) {
  if (id == 0 || id != shown_ || action != u"default") return;
  emit activated();
}

void TonnixDBusUpdateNotifications::notificationClosed(uint id, uint) {
  if (id == shown_) shown_ = 0;
}
