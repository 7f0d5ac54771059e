#include "session_bus.h"

#include <QUuid>

namespace tonnix_test {

SessionBus::SessionBus() {
  daemon_.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
  if (daemon_.waitForReadyRead(10000)) address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

SessionBus::~SessionBus() {
  for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
  daemon_.kill();
  daemon_.waitForFinished();
}

QDBusConnection SessionBus::connect() {
  names_ << QUuid::createUuid().toString();
  return QDBusConnection::connectToBus(address_, names_.last());
}

}  // namespace tonnix_test
