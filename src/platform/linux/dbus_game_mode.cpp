#include "platform/linux/dbus_game_mode.h"

#include <QDBusVariant>

#include "platform/linux/dbus_question.h"

namespace {

bool countsGames(const QDBusMessage& reply) {
  if (reply.arguments().isEmpty()) return false;
  const QVariant count = reply.arguments().constFirst().value<QDBusVariant>().variant();
  return count.typeId() == QMetaType::Int && count.toInt() > 0;
}

}  // namespace

TonnixDBusGameMode::TonnixDBusGameMode()
    : fact_(
          std::chrono::seconds(1),
          tonnixDBusQuestion(QDBusConnection::SessionBus,
                             tonnixDBusPropertyGet(QStringLiteral("com.feralinteractive.GameMode"),
                                                   QStringLiteral("/com/feralinteractive/GameMode"),
                                                   QStringLiteral("com.feralinteractive.GameMode"),
                                                   QStringLiteral("ClientCount")),
                             countsGames)) {}
