#include "platform/linux/dbus_idle_time.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

constexpr int callTimeoutMilliseconds = 2000;

using Done = std::function<void(std::optional<qint64>)>;

// Calls `method` and hands its numeric answer, scaled to milliseconds, to
// `done`; nothing on any error.
template <typename Number>
void ask(QObject* context, const QDBusConnection& bus, QDBusMessage call, qint64 scale,
         std::function<void(std::optional<qint64>)> done) {
  auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(call, callTimeoutMilliseconds), context);
  QObject::connect(answer, &QDBusPendingCallWatcher::finished, context, [answer, scale, done] {
    answer->deleteLater();
    const QDBusPendingReply<Number> reply = *answer;
    if (reply.isError()) {
      done(std::nullopt);
      return;
    }
    done(static_cast<qint64>(reply.value()) * scale);
  });
}

}  // namespace

void queryDesktopIdleTime(QObject* context, Done done, QDBusConnection bus) {
  if (!bus.isConnected()) {
    QMetaObject::invokeMethod(
        context, [done] { done(std::nullopt); }, Qt::QueuedConnection);
    return;
  }
  const auto gnome = QDBusMessage::createMethodCall(
      QStringLiteral("org.gnome.Mutter.IdleMonitor"),
      QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
      QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"));
  const auto screenSaver = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
      QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime"));
  ask<quint64>(context, bus, gnome, 1,
               [context, bus, screenSaver, done](std::optional<qint64> milliseconds) {
                 if (milliseconds) {
                   done(milliseconds);
                   return;
                 }
                 ask<uint>(context, bus, screenSaver, 1000, done);
               });
}
