// Update checking: versions, channels and the configuration check, then
// whole checks and installations against an HTTP server of the test's own
// on 127.0.0.1, into a scratch prefix laid out as an updatable install.

#include "app/updater.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <map>

#include "app/update_signature.h"
#include "app/version_order.h"
#include "event_loop.h"
#include "platform/fake/fake_update_services.h"
#include "platform/fake/memory_preferences_store.h"
#include "platform/linux/qt_update_network.h"

namespace fs = std::filesystem;

namespace {

TEST(UpdaterTest, VersionsOrderNumbersAndPreReleases) {
  const QStringList ascending = {"1.2a1", "1.2b2", "1.2b10", "1.2rc1", "1.2", "1.2.1", "1.10"};
  for (int i = 0; i + 1 < ascending.size(); ++i) {
    EXPECT_LT(compareVersions(ascending[i], ascending[i + 1]), 0) << ascending[i].toStdString();
    EXPECT_GT(compareVersions(ascending[i + 1], ascending[i]), 0) << ascending[i].toStdString();
  }
  EXPECT_EQ(compareVersions("1.02", "1.2"), 0);
  EXPECT_TRUE(allowedUpdateChannels(QString("1.2")).isEmpty());
  EXPECT_TRUE(allowedUpdateChannels(std::nullopt).isEmpty());
  EXPECT_EQ(allowedUpdateChannels(QString("1.2b3")), QSet<QString>{"beta"});
  EXPECT_EQ(allowedUpdateChannels(QString("1.2RC1")), QSet<QString>{"beta"});
}

TEST(UpdaterTest, ConfigurationNamesTheFeedBeforeTheKey) {
  const QString noFeed = "This build names no update feed to check.";
  const QString noKey =
      "This build names an update feed but no update signing key, so no update could be "
      "verified.";
  const auto problem = [](std::optional<QString> feed, std::optional<QString> key) {
    TonnixUpdateConfiguration configuration;
    configuration.feedURL = std::move(feed);
    configuration.publicKey = std::move(key);
    return configuration.problem();
  };
  const QString key = QByteArray(32, 'k').toBase64();
  EXPECT_EQ(problem(std::nullopt, std::nullopt), noFeed);
  EXPECT_EQ(problem(TonnixUpdateConfiguration::placeholderFeedURL, key), noFeed);
  EXPECT_EQ(problem("not a url", key), noFeed);
  const QString feed = "https://updates.tonnix.org/appcast.xml";
  EXPECT_EQ(problem(feed, std::nullopt), noKey);
  EXPECT_EQ(problem(feed, "not*base64"), noKey);
  EXPECT_EQ(problem(feed, QByteArray(31, 'k').toBase64()), noKey);
  EXPECT_EQ(problem(feed, key), std::nullopt);
}

TEST(UpdaterTest, TheBuiltInfoPlistLeavesBothUnset) {
  const auto read = TonnixUpdateConfiguration::read(TONNIX_BUILD_INFO_PLIST);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->feedURL, std::nullopt);
  EXPECT_TRUE(read->version.has_value());
}

struct Response {
  QByteArray head;
  QByteArray body;
};

// Answers each request with the response for its path and hangs up.
class LocalServer {
 public:
  LocalServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket] { answer(*socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }
  QString url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
  }
  void serve(const QString& path, const QByteArray& body, qint64 declaredLength = -1) {
    const qint64 length = declaredLength < 0 ? body.size() : declaredLength;
    routes_[path] = {"HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(length) + "\r\n",
                     body};
  }
  // Sends the head, then a byte now and then, never all.
  void trickle(const QString& path) { trickled_ = path; }
  void redirect(const QString& path, const QString& to) {
    routes_[path] = {"HTTP/1.1 302 Found\r\nLocation: " + to.toUtf8() + "\r\nContent-Length: 0\r\n",
                     {}};
  }

 private:
  void answer(QTcpSocket& socket) {
    if (!socket.canReadLine()) return;
    const QList<QByteArray> request = socket.readLine().split(' ');
    if (QString::fromUtf8(request.value(1)) == trickled_) {
      socket.write("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n<");
      auto* timer = new QTimer(&socket);
      QObject::connect(timer, &QTimer::timeout, &socket, [&socket] { socket.write(" "); });
      timer->start(50);
      return;
    }
    const auto route = routes_.find(QString::fromUtf8(request.value(1)));
    const Response response = route != routes_.end()
                                  ? route->second
                                  : Response{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n", {}};
    socket.write(response.head + "Connection: close\r\n\r\n" + response.body);
    socket.disconnectFromHost();
  }

  QTcpServer server_;
  std::map<QString, Response> routes_;
  QString trickled_;
};

const TonnixUpdateKeyPair keys = *updateKeyPairFromSeed(QByteArray(32, 's'));

// ROOT/current -> 1.0, whose bin/tonnix says its version; an update's tree
// also says it in share/tonnix/Info.plist.
class Installed {
 public:
  Installed() {
    writeProgram(root() / "1.0", "1.0");
    fs::create_directory_symlink("1.0", root() / "current");
  }
  fs::path root() const { return scratch_.path().toStdString(); }
  fs::path prefix() const { return root() / "1.0"; }
  static void writeInfo(const fs::path& prefix, const QByteArray& version) {
    fs::create_directories(prefix / "share" / "tonnix");
    QFile info(QString::fromStdString((prefix / "share" / "tonnix" / "Info.plist").string()));
    info.open(QIODevice::WriteOnly);
    info.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>CFBundleVersion</key><string>)" +
               version + "</string></dict></plist>\n");
  }
  static void writeProgram(const fs::path& prefix, const QByteArray& version) {
    fs::create_directories(prefix / "bin");
    QFile program(QString::fromStdString((prefix / "bin" / "tonnix").string()));
    program.open(QIODevice::WriteOnly);
    program.write("#!/bin/sh\necho " + version + "\n");
    program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
  }
  QByteArray currentVersion() const {
    QProcess program;
    program.start(QString::fromStdString((root() / "current" / "bin" / "tonnix").string()), {});
    program.waitForFinished();
    return program.readAllStandardOutput().trimmed();
  }

 private:
  QTemporaryDir scratch_;
};

QByteArray archiveOf(const QByteArray& version) {
  QTemporaryDir folder;
  Installed::writeProgram(folder.path().toStdString(), version);
  Installed::writeInfo(folder.path().toStdString(), version);
  QProcess tar;
  tar.start("tar", {"-cz", "-C", folder.path(), "-f", "-", "bin", "share"});
  tar.waitForFinished();
  return tar.readAllStandardOutput();
}

QByteArray appcast(const QString& archiveURL, qint64 length, const QByteArray& signature,
                   const QString& version = "1.1") {
  return QStringLiteral(
             R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Tonnix</title>
<item><title>Tonnix %1</title><sparkle:version>%1</sparkle:version>
<description><![CDATA[<p>Quieter clicks.</p>]]></description>
<enclosure url="%2" length="%3" type="application/x-gtar" sparkle:edSignature="%4"/></item>
<item><title>Beta</title><sparkle:version>9.0b1</sparkle:version><sparkle:channel>beta</sparkle:channel>
<enclosure url="%2" length="%3" sparkle:edSignature="%4"/></item>
</channel></rss>)")
      .arg(version, archiveURL)
      .arg(length)
      .arg(QString::fromLatin1(signature.toBase64()))
      .toUtf8();
}

struct UpdaterRun {
  explicit UpdaterRun(const LocalServer& server, const fs::path& prefix)
      : updater(TonnixUpdateConfiguration{server.url("/appcast.xml"),
                                          QString::fromLatin1(keys.publicKey.toBase64()),
                                          QString("1.0"), QString("1.0")},
                {preferences, network, notifications, TonnixUpdateInstallation(prefix), {}}) {
    updater.start();
    QObject::connect(&updater, &TonnixUpdater::showUpdate,
                     [this](const TonnixAppcastItem& item) { found = item; });
    QObject::connect(&updater, &TonnixUpdater::installed, [this](const QString&) { done = true; });
    QObject::connect(&updater, &TonnixUpdater::installFailed, [this](const QString& reason) {
      failure = reason;
      done = true;
    });
  }
  // Checks as the user would and installs what was found; the failure.
  QString checkAndInstall() {
    updater.checkForUpdates();
    if (!tonnix_test::turnUntil([this] { return updater.canCheckForUpdates(); })) return "no end";
    if (!found) return updater.problemText().value_or("nothing found");
    updater.installUpdate(*found);
    if (!tonnix_test::turnUntil([this] { return done; })) return "no end";
    return failure;
  }

  TonnixMemoryPreferencesStore preferences;
  // A deadline a trickle reaches soon, whatever the size.
  TonnixQtUpdateNetwork network{{.deadlineMilliseconds = 3000, .slowestBytesPerSecond = 1LL << 40}};
  TonnixFakeUpdateNotifications notifications;
  TonnixUpdater updater;
  std::optional<TonnixAppcastItem> found;
  bool done = false;
  QString failure;
};

TEST(UpdaterTest, AVerifiedUpdateIsInstalledBesideTheRunningOne) {
  LocalServer server;
  Installed installed;
  const QByteArray archive = archiveOf("1.1");
  server.serve("/appcast.xml",
               appcast(server.url("/old"), archive.size(), signUpdate(keys, archive)));
  server.redirect("/old", server.url("/tonnix-1.1.tar.gz"));
  server.serve("/tonnix-1.1.tar.gz", archive);
  UpdaterRun run(server, installed.prefix());

  EXPECT_EQ(run.checkAndInstall().toStdString(), "");
  EXPECT_EQ(run.found->version, "1.1");
  EXPECT_EQ(run.found->releaseNotes, "<p>Quieter clicks.</p>");
  EXPECT_EQ(installed.currentVersion(), "1.1");
  EXPECT_TRUE(fs::exists(installed.prefix())) << "kept until the new version has started";
  TonnixUpdateInstallation(installed.root() / "1.1").removeReplacedVersion();
  EXPECT_FALSE(fs::exists(installed.prefix()));
  EXPECT_EQ(run.updater.lastCheckText(), "Last checked just now.");
}

TEST(UpdaterTest, BadFeedsAndArchivesAreRefusedAndChangeNothing) {
  const QByteArray archive = archiveOf("1.1");
  const QByteArray signature = signUpdate(keys, archive);
  struct Case {
    const char* name;
    std::function<void(LocalServer&)> serve;
    QString reasonStart;
  };
  const std::vector<Case> cases = {
      {"bad signature",
       [&](LocalServer& s) {
         s.serve("/appcast.xml", appcast(s.url("/a"), archive.size(), signUpdate(keys, "other")));
       },
       "The update's signature does not match"},
      {"wrong length",
       [&](LocalServer& s) {
         s.serve("/appcast.xml", appcast(s.url("/a"), archive.size() + 10, signature));
       },
       "The update is "},
      {"truncated",
       [&](LocalServer& s) {
         s.serve("/appcast.xml", appcast(s.url("/t"), archive.size(), signature));
         s.serve("/t", archive.left(archive.size() / 2), archive.size());
       },
       "The update server hung up before sending everything."},
      {"not XML, its error quoting the feed",
       [](LocalServer& s) {
         s.serve("/appcast.xml", "<?xml version=\"1.0\" encoding=\"\n\nutf-8\"?><rss/>");
       },
       "The update feed is not XML"},
      {"bigger than declared",
       [&](LocalServer& s) {
         s.serve("/appcast.xml", appcast(s.url("/a"), archive.size() - 10, signature));
       },
       "The update server sent more than expected"},
      {"redirect loop", [](LocalServer& s) { s.redirect("/appcast.xml", s.url("/appcast.xml")); },
       "The update server sent Tonnix around in circles"},
      {"redirect off this machine",
       [](LocalServer& s) { s.redirect("/appcast.xml", "http://updates.example.invalid/a.xml"); },
       "Tonnix fetches updates only over HTTPS, not from http://updates.example.invalid/a.xml."},
      {"trickling feed", [](LocalServer& s) { s.trickle("/appcast.xml"); },
       "The update server sent too slowly"},
      {"genuine old release offered as new",
       [](LocalServer& s) {
         const QByteArray old = archiveOf("1.0");
         s.serve("/appcast.xml", appcast(s.url("/old"), old.size(), signUpdate(keys, old)));
         s.serve("/old", old);
       },
       "The update holds Tonnix 1.0, not the 1.1 the update feed offers"},
  };
  for (const Case& c : cases) {
    LocalServer server;
    Installed installed;
    server.serve("/a", archive);
    c.serve(server);
    UpdaterRun run(server, installed.prefix());
    const QString failure = run.checkAndInstall();
    EXPECT_TRUE(failure.startsWith(c.reasonStart)) << c.name << ": " << failure.toStdString();
    EXPECT_FALSE(failure.contains('\n')) << c.name;
    EXPECT_EQ(run.updater.problemText(), failure) << c.name;
    EXPECT_EQ(installed.currentVersion(), "1.0") << c.name;
    EXPECT_EQ(QDir(QString::fromStdString(installed.root().string()))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"1.0", "current"}))
        << c.name;
  }
}

// A request made while the updater is busy is answered, not dropped.
TEST(UpdaterTest, RequestsWhileACheckRunsAreAnswered) {
  LocalServer server;
  Installed installed;
  const QByteArray archive = archiveOf("1.1");
  server.serve("/appcast.xml",
               appcast(server.url("/a"), archive.size(), signUpdate(keys, archive)));
  server.serve("/a", archive);
  UpdaterRun run(server, installed.prefix());
  // A scheduled find would wait in a notification; the user's is shown.
  run.notifications.isAvailable = true;
  run.updater.checkInBackground();
  run.updater.checkForUpdates();
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return run.found.has_value(); }));

  run.updater.checkInBackground();
  run.updater.installUpdate(*run.found);
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return run.done; }));
  EXPECT_EQ(run.failure.toStdString(), "");
  EXPECT_EQ(installed.currentVersion(), "1.1");
}

TEST(UpdaterTest, ASystemPrefixIsLeftToThePackageManager) {
  LocalServer server;
  UpdaterRun run(server, "/usr");
  TonnixAppcastItem update;
  update.version = update.displayVersion = "1.1";
  update.archiveURL = server.url("/a");
  update.archiveLength = 10;
  run.updater.installUpdate(update);
  EXPECT_TRUE(
      run.failure.startsWith("Tonnix was installed in /usr by the system's package "
                             "manager"))
      << run.failure.toStdString();
}

}  // namespace
