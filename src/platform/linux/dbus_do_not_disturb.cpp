#include "platform/linux/dbus_do_not_disturb.h"

#include "platform/linux/dbus_question.h"

namespace {

const QString notifications = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");

TonnixCachedFact::Fetch notificationProperty(const QString& interface, const QString& property) {
  return tonnixDBusQuestion(
      QDBusConnection::SessionBus,
      tonnixDBusPropertyGet(notifications, notificationsPath, interface, property),
      tonnixDBusReplyIsTrue);
}

TonnixCachedFact::Fetch xfceDoNotDisturb() {
  QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
      QStringLiteral("org.xfce.Xfconf"), QStringLiteral("GetProperty"));
  message << QStringLiteral("xfce4-notifyd") << QStringLiteral("/do-not-disturb");
  return tonnixDBusQuestion(QDBusConnection::SessionBus, message, tonnixDBusReplyIsTrue);
}

}  // namespace

TonnixDBusDoNotDisturb::TonnixDBusDoNotDisturb()
    : fact_(std::chrono::seconds(5),
            tonnixAnyOf({notificationProperty(notifications, QStringLiteral("Inhibited")),
                         notificationProperty(QStringLiteral("org.dunstproject.cmd0"),
                                              QStringLiteral("paused")),
                         xfceDoNotDisturb(), [this](TonnixCachedFact::Completion done) {
                           done(gnome_.areHidden().value_or(false));
                         }})) {}
