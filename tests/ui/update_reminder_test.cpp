// Gentle reminders: a scheduled check that finds an update posts a desktop
// notification to a stand-in notification service on a session bus of the
// test's own; a click brings the update window, which takes the
// notification back. With a Tonnix window in front, or no service, the
// window shows at once.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QPushButton>

#include "app/updater.h"
#include "event_loop.h"
#include "platform/fake/fake_update_services.h"
#include "platform/fake/memory_preferences_store.h"
#include "platform/linux/dbus_update_notifications.h"
#include "session_bus.h"
#include "ui/update_presenter.h"

namespace {

// org.freedesktop.Notifications as a desktop serves it, keeping what it shows.
class StandInService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QString shownTitle;
  QString shownBody;
  uint lastId = 0;
  bool closed = false;

 public slots:
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int) {
    shownTitle = summary;
    shownBody = body;
    closed = false;
    return ++lastId;
  }
  void CloseNotification(uint id) { closed = id == lastId; }

 signals:
  void ActionInvoked(uint id, const QString& action);
};

using tonnix_test::SessionBus;

// A network whose every fetch answers with an appcast offering Tonnix 1.1.
class OneUpdateNetwork : public TonnixUpdateNetwork {
 public:
  void fetch(const QUrl&, qint64, QObject* context, Progress, Done done) override {
    QMetaObject::invokeMethod(
        context,
        [done] {
          done(QByteArray(
              R"(<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><item><sparkle:version>1.1</sparkle:version>
<enclosure url="https://updates.tonnix.org/1.1.tar.gz" length="10"/></item></channel></rss>)"));
        },
        Qt::QueuedConnection);
  }
  void download(const QUrl&, qint64, QIODevice&, QObject*, Progress, Saved) override {
    ADD_FAILURE() << "nothing is downloaded into the system's prefix";
  }
};

struct Reminders {
  explicit Reminders(QDBusConnection bus, bool active = false)
      : notifications(bus),
        updater(TonnixUpdateConfiguration{"https://updates.tonnix.org/appcast.xml",
                                          QString(QByteArray(32, 'k').toBase64()), QString("1.0"),
                                          QString("1.0")},
                {preferences, network, notifications, TonnixUpdateInstallation("/usr"),
                 [active] { return active; }}),
        presenter(updater) {
    updater.start();
  }
  bool dialogShows() const { return presenter.dialog() && presenter.dialog()->isVisible(); }

  TonnixMemoryPreferencesStore preferences;
  OneUpdateNetwork network;
  TonnixDBusUpdateNotifications notifications;
  TonnixUpdater updater;
  TonnixUpdatePresenter presenter;
};

TEST(UpdateReminderTest, InTheBackgroundANotificationWaitsForItsClick) {
  SessionBus bus;
  if (!bus.isRunning()) GTEST_SKIP() << "dbus-daemon is not installed";
  StandInService service;
  QDBusConnection serviceBus = bus.connect();
  serviceBus.registerObject("/org/freedesktop/Notifications", &service,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
  ASSERT_TRUE(serviceBus.registerService("org.freedesktop.Notifications"));
  Reminders background(bus.connect());

  background.updater.checkInBackground();
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return service.lastId == 1; }));
  EXPECT_EQ(service.shownTitle, "Tonnix 1.1 is available");
  EXPECT_EQ(service.shownBody, "Click to install it.");
  tonnix_test::turnFor(100);
  EXPECT_FALSE(background.dialogShows());

  // Another notification's click is not ours.
  emit service.ActionInvoked(7, "default");
  tonnix_test::turnFor(100);
  EXPECT_FALSE(background.dialogShows());
  emit service.ActionInvoked(1, "default");
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return background.dialogShows(); }));
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return service.closed; }));

  Reminders active(bus.connect(), true);
  active.updater.checkInBackground();
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return active.dialogShows(); }));
  EXPECT_EQ(service.lastId, 1u);
}

TEST(UpdateReminderTest, WithoutANotificationServiceTheWindowShowsAndASkipIsKept) {
  SessionBus bus;
  if (!bus.isRunning()) GTEST_SKIP() << "dbus-daemon is not installed";
  Reminders reminders(bus.connect());
  reminders.updater.checkInBackground();
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return reminders.dialogShows(); }));

  QPushButton* skip = nullptr;
  for (auto* button : reminders.presenter.dialog()->findChildren<QPushButton*>()) {
    if (button->text() == "Skip This Version") skip = button;
  }
  ASSERT_NE(skip, nullptr);
  skip->click();
  EXPECT_FALSE(reminders.dialogShows());
  EXPECT_EQ(reminders.preferences.stringValue("SUSkippedVersion"), "1.1");
  reminders.updater.checkInBackground();
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return reminders.updater.canCheckForUpdates(); }));
  tonnix_test::turnFor(100);
  EXPECT_FALSE(reminders.dialogShows());
}

}  // namespace

#include "update_reminder_test.moc"
