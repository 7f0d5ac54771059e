#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tonnix_test {

// A session bus of the test's own (dbus-daemon), gone with the object.
class SessionBus {
 public:
  SessionBus();
  ~SessionBus();
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;

  // False when dbus-daemon is not installed or did not start.
  bool isRunning() const { return !address_.isEmpty(); }
  const QString& address() const { return address_; }

  // A new connection, as another process on the bus would have.
  QDBusConnection connect();

 private:
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

}  // namespace tonnix_test
