#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>

#include "event_loop.h"
#include "platform/linux/linux_silence_probe.h"

// The D-Bus questions against stand-ins for the desktop's services on the
// session bus of scripts/headless-session: GNOME's session manager, a
// notification server with KDE's Inhibited property, and Feral's GameMode
// daemon, each registered by this test.

namespace {

class SessionManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

 public:
  uint inhibited = 0;

 public slots:
  bool IsInhibited(uint flags) { return (inhibited & flags) != 0; }
};

class NotificationServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  Q_PROPERTY(bool Inhibited MEMBER inhibited)

 public:
  bool inhibited = false;
};

class GameModeDaemon : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "com.feralinteractive.GameMode")
  Q_PROPERTY(int ClientCount MEMBER clientCount)

 public:
  int clientCount = 0;
};

class DBusSilenceProbeTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!bus.isConnected()) GTEST_SKIP() << "no session bus: run inside scripts/headless-session";
  }
  void TearDown() override {
    for (const QString& name : registered) bus.unregisterService(name);
    for (const QString& path : paths) bus.unregisterObject(path);
  }
  // Registers `object` as `service`, at the path its name spells.
  void serve(const QString& service, QObject& object, QDBusConnection::RegisterOptions options) {
    const QString path = "/" + QString(service).replace('.', '/');

    ASSERT_TRUE(bus.registerObject(path, &object, options));
    ASSERT_TRUE(bus.registerService(service));
    registered << service;
    paths << path;
  }

  QDBusConnection bus = QDBusConnection::sessionBus();
  QStringList registered;
  QStringList paths;
};

}  // namespace

TEST_F(DBusSilenceProbeTest, OnlyAnIdleInhibitorOfTheSessionManagerIsAVideoPlaying) {
  SessionManager manager;
  manager.inhibited = 4;  // suspend
  serve(QStringLiteral("org.gnome.SessionManager"), manager, QDBusConnection::ExportAllSlots);
  {
    TonnixLinuxSilenceProbe probe;
    EXPECT_FALSE(tonnix_test::turnUntil([&] { return probe.isVideoPlaying(); }, 1000));
  }
  manager.inhibited = 8;  // idle
  TonnixLinuxSilenceProbe probe;
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return probe.isVideoPlaying(); }));
}

TEST_F(DBusSilenceProbeTest, AnInhibitedNotificationServerIsDoNotDisturb) {
  NotificationServer server;
  serve(QStringLiteral("org.freedesktop.Notifications"), server,
        QDBusConnection::ExportAllProperties);
  server.inhibited = true;
  TonnixLinuxSilenceProbe probe;
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return probe.isFocusActive(); }));
}

TEST_F(DBusSilenceProbeTest, AGameModeSessionIsGameModeWhateverIsInFront) {
  GameModeDaemon daemon;
  serve(QStringLiteral("com.feralinteractive.GameMode"), daemon,
        QDBusConnection::ExportAllProperties);
  {
    TonnixLinuxSilenceProbe probe;
    EXPECT_FALSE(tonnix_test::turnUntil([&] { return probe.isGameModeActive({}, {}); }, 1000));
  }
  daemon.clientCount = 1;
  TonnixLinuxSilenceProbe probe;
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return probe.isGameModeActive({}, {}); }));
}

#include "dbus_silence_probe_desktop_test.moc"
