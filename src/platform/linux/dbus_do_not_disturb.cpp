#include "platform/linux/dbus_do_not_disturb.h"

#include "platform/linux/dbus_question.h"

namespace {

const QString notifications = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");

using Interpret = std::function<bool(const QDBusMessage&)>;

// How each server's switch is read: whether it is on, or whether its
// server answers at all.
enum class Reading { isOn, answers };

bool answeredAtAll(const QDBusMessage&) {
  return true;
}

TonnixCachedFact::Fetch notificationProperty(const QString& interface, const QString& property,
                                             Reading reading) {
  return tonnixDBusQuestion(
      QDBusConnection::SessionBus,
      tonnixDBusPropertyGet(notifications, notificationsPath, interface, property),
      reading == Reading::isOn ? Interpret(tonnixDBusReplyIsTrue) : Interpret(answeredAtAll));
}

// xfce4-notifyd keeps no property while its switch was never set, so
// whether its settings are there is asked with PropertyExists.
TonnixCachedFact::Fetch xfceDoNotDisturb(Reading reading) {
  const bool isOn = reading == Reading::isOn;
  QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
      QStringLiteral("org.xfce.Xfconf"),
      isOn ? QStringLiteral("GetProperty") : QStringLiteral("PropertyExists"));
  message << QStringLiteral("xfce4-notifyd") << QStringLiteral("/do-not-disturb");
  return tonnixDBusQuestion(QDBusConnection::SessionBus, message,
                            isOn ? Interpret(tonnixDBusReplyIsTrue) : Interpret(answeredAtAll));
}

// Yes when any server's switch reads so.
TonnixCachedFact::Fetch anySwitch(Reading reading, const TonnixGioNotificationBanners& gnome) {
  return tonnixAnyOf(
      {notificationProperty(notifications, QStringLiteral("Inhibited"), reading),
       notificationProperty(QStringLiteral("org.dunstproject.cmd0"), QStringLiteral("paused"),
                            reading),
       xfceDoNotDisturb(reading), [&gnome, reading](TonnixCachedFact::Completion done) {
         const auto hidden = gnome.areHidden();
         done(reading == Reading::isOn ? hidden.value_or(false) : hidden.has_value());
       }});
}

}  // namespace

TonnixDBusDoNotDisturb::TonnixDBusDoNotDisturb()
    : fact_(std::chrono::seconds(5), anySwitch(Reading::isOn, gnome_)),
      unknown_(std::chrono::seconds(5),
               [answers = anySwitch(Reading::answers, gnome_)](TonnixCachedFact::Completion done) {
                 answers([done](bool some) { done(!some); });
               }) {}
