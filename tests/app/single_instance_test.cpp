// One Tonnix per session: `tonnix` started again hands its files or wishes
// to the first and exits. Each test runs a session bus of its own.

#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTemporaryDir>

#include "program.h"
#include "session_bus.h"
#include "sound_file.h"

namespace fs = std::filesystem;

namespace {

// A private session bus, and `tonnix` run on it.
class SessionBus : public tonnix_test::SessionBus {
 public:
  // Runs `tonnix ARGUMENTS` on this bus, without a display.
  std::pair<int, QString> runTonnix(const QStringList& arguments) {
    auto environment = home_.environment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const auto result =
        tonnix_test::runProgram(tonnix_test::ScratchHome::executable(), arguments, environment);
    return {result.exitCode, result.errors};
  }

 private:
  tonnix_test::ScratchHome home_;
};

class SingleInstanceTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!bus.isRunning()) GTEST_SKIP() << "dbus-daemon is not installed";
  }
  SessionBus bus;
};

}  // namespace

TEST_F(SingleInstanceTest, SecondStartHandsItsFilesToTheFirstInOneCall) {
  TonnixSingleInstance first(bus.connect());
  ASSERT_EQ(first.claim(), TonnixSingleInstance::Role::primary);
  EXPECT_EQ(TonnixSingleInstance(bus.connect()).claim(), TonnixSingleInstance::Role::secondary);

  std::vector<std::vector<fs::path>> opened;
  int activations = 0;
  QObject::connect(&first, &TonnixSingleInstance::openRequested,
                   [&](const std::vector<fs::path>& files) { opened.push_back(files); });
  QObject::connect(&first, &TonnixSingleInstance::activated, [&] { ++activations; });

  QTemporaryDir folder;
  const QString a = folder.filePath(QStringLiteral("A Set.tonnixset"));
  const QString b = folder.filePath(QStringLiteral("Classic Sounds"));
  QDir().mkpath(a);
  QFile(b).open(QIODevice::WriteOnly);
  const auto [status, errors] = bus.runTonnix({a, b});
  EXPECT_EQ(status, 0) << errors.toStdString();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], (std::vector<fs::path>{a.toStdString(), b.toStdString()}));

  EXPECT_EQ(bus.runTonnix({}).first, 0);
  EXPECT_EQ(activations, 1);
}

TEST_F(SingleInstanceTest, QuitAndRunReachTheRunningTonnix) {
  TonnixSingleInstance first(bus.connect());
  ASSERT_EQ(first.claim(), TonnixSingleInstance::Role::primary);
  QStringList actions;
  QObject::connect(&first, &TonnixSingleInstance::actionRequested,
                   [&](const QString& action) { actions << action; });

  EXPECT_EQ(bus.runTonnix({"quit"}).first, 0);
  EXPECT_EQ(actions, QStringList{QStringLiteral("quit")});

  // A set installed from the command line shows in the running Tonnix.
  QTemporaryDir sounds;
  ASSERT_TRUE(tonnix_test::writeSound(fs::path(sounds.path().toStdString()) / "Beep.wav"));
  EXPECT_EQ(bus.runTonnix({"import", sounds.path()}).first, 0);
  EXPECT_EQ(actions, (QStringList{QStringLiteral("quit"), QStringLiteral("reload")}));

  // A second listener would play every sound twice.
  const auto [status, errors] = bus.runTonnix({"run"});
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(errors.contains(QStringLiteral("already running"))) << errors.toStdString();
}

TEST_F(SingleInstanceTest, AForeignOwnerOrNoneIsToldPlainly) {
  EXPECT_EQ(bus.runTonnix({"quit"}).first, 1);

  // Another program holds the name but is not Tonnix.
  auto foreign = bus.connect();
  ASSERT_TRUE(foreign.registerService(QString::fromLatin1(TonnixSingleInstance::serviceName)));
  TonnixSingleInstance second(bus.connect());
  EXPECT_EQ(second.claim(), TonnixSingleInstance::Role::secondary);
  const auto [status, errors] = bus.runTonnix({"quit"});
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(errors.contains(QStringLiteral("did not answer as Tonnix"))) << errors.toStdString();

  const auto nowhere = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                     QStringLiteral("nowhere"));
  EXPECT_EQ(TonnixSingleInstance(nowhere).claim(), TonnixSingleInstance::Role::alone);
}

// Any program on the session bus can call Open: what one call may pass is
// bounded, and a launcher's token is taken only when it looks like one.
TEST_F(SingleInstanceTest, OpenIsBoundedAndTakesOnlyWellFormedTokens) {
  TonnixSingleInstance first(bus.connect());
  ASSERT_EQ(first.claim(), TonnixSingleInstance::Role::primary);
  int opens = 0;
  QObject::connect(&first, &TonnixSingleInstance::openRequested, [&] { ++opens; });
  auto caller = bus.connect();
  const auto open = [&caller](const QStringList& uris, const QByteArray& token = {}) {
    auto message = QDBusMessage::createMethodCall(
        QString::fromLatin1(TonnixSingleInstance::serviceName),
        QString::fromLatin1(TonnixSingleInstance::objectPath),
        QString::fromLatin1(TonnixSingleInstance::interfaceName), QStringLiteral("Open"));
    message.setArguments({uris, QVariantMap{{QStringLiteral("activation-token"), token}}});
    return caller.call(message, QDBus::BlockWithGui, 5000);
  };
  const QString file = QStringLiteral("file:///tmp/A%20Set.tonnixset");

  const QStringList tooMany(TonnixSingleInstance::maximumOpenFiles + 1, file);
  const QStringList tooLong{file + QString(TonnixSingleInstance::maximumURILength, u'x')};
  for (const auto& uris : {tooMany, tooLong}) {
    const auto reply = open(uris, "token");
    EXPECT_EQ(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded"));
  }
  EXPECT_EQ(opens, 0);
  const std::vector<fs::path> files(TonnixSingleInstance::maximumOpenFiles + 1, "/tmp/a");
  EXPECT_FALSE(TonnixSingleInstance(bus.connect()).open(files));

  // The token is kept for the window, never put into the environment,
  // where other threads and the programs Tonnix starts would see it.
  EXPECT_EQ(open({file}, "kwin-1234_TIME5678").type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(first.takeActivationToken(), "kwin-1234_TIME5678");
  EXPECT_EQ(first.takeActivationToken(), "");
  for (const QByteArray& hostile : {QByteArray("two\nlines"), QByteArray(300, 'x')}) {
    EXPECT_EQ(open({file}, hostile).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(first.takeActivationToken(), "");
  }
  EXPECT_EQ(opens, 3);
  EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
}
