#include "platform/linux/dbus_idle_inhibitors.h"

#include <unistd.h>

#include <QDBusArgument>

#include "platform/linux/dbus_question.h"
#include "platform/linux/idle_inhibitor.h"

namespace {

// ListInhibitors answers a(ssssuu): what, who, why, mode, user, process.
std::vector<TonnixIdleInhibitor> inhibitors(const QDBusMessage& reply) {
  if (reply.arguments().isEmpty()) return {};
  const QVariant list = reply.arguments().constFirst();
  if (!list.canConvert<QDBusArgument>()) return {};
  const QDBusArgument argument = list.value<QDBusArgument>();
  if (argument.currentSignature() != QLatin1String("a(ssssuu)")) return {};
  std::vector<TonnixIdleInhibitor> found;
  argument.beginArray();
  while (!argument.atEnd()) {
    QString what, who, why, mode;
    uint user = 0;
    uint process = 0;
    argument.beginStructure();
    argument >> what >> who >> why >> mode >> user >> process;
    argument.endStructure();
    found.push_back({what, mode, process});
  }
  argument.endArray();
  return found;
}

TonnixCachedFact::Fetch logindInhibitors() {
  const QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
  return tonnixDBusQuestion(QDBusConnection::SystemBus, message, [](const QDBusMessage& reply) {
    return tonnixOtherProcessInhibitsIdle(inhibitors(reply), ::getpid());
  });
}

TonnixCachedFact::Fetch gnomeSessionInhibitors() {
  // GsmInhibitorFlag 8: inhibit the session being marked idle.
  QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
      QStringLiteral("org.gnome.SessionManager"), QStringLiteral("IsInhibited"));
  message << 8U;
  return tonnixDBusQuestion(QDBusConnection::SessionBus, message, tonnixDBusReplyIsTrue);
}

}  // namespace

TonnixDBusIdleInhibitors::TonnixDBusIdleInhibitors()
    : fact_(std::chrono::seconds(1), tonnixAnyOf({logindInhibitors(), gnomeSessionInhibitors()})) {}
