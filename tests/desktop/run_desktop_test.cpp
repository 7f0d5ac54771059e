// `tonnix run --monitor` as a program on a desktop of our Qt fixture, driven
// by xdotool and played through OpenAL Soft's wave backend into a file.
// Runs inside scripts/headless-session.

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "desktop_session.h"
#include "event_loop.h"
#include "program.h"
#include "sound_file.h"

namespace {

using tonnix_test::Application;
using tonnix_test::focusAndType;
using tonnix_test::turnUntil;
using tonnix_test::windowNamed;

constexpr int eventTimeout = 15'000;  // milliseconds

class TonnixRunDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const QString missing = tonnix_test::missingDesktopSession(); !missing.isEmpty()) {
      GTEST_SKIP() << missing.toStdString();
    }
    // The session's settings database, where toolkit accessibility is on.
    const std::filesystem::path sessionSettings =
        qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/dconf";
    std::error_code ignored;
    std::filesystem::create_directories(home_.root() / "config", ignored);
    if (std::filesystem::exists(sessionSettings, ignored)) {
      std::filesystem::create_directory_symlink(sessionSettings, home_.root() / "config" / "dconf",
                                                ignored);
    }
    home_.playIntoWaveFile();
    environment_ = home_.environment();
    // The monitor lines and the diagnostics, in the order they were written.
    tonnix_.setProcessChannelMode(QProcess::MergedChannels);
  }

  void start() {
    tonnix_.setProcessEnvironment(environment_);
    QObject::connect(&tonnix_, &QProcess::readyReadStandardOutput, [this] {
      while (tonnix_.canReadLine()) {
        const auto line = QString::fromUtf8(tonnix_.readLine()).trimmed();
        std::printf("  | %s\n", qPrintable(line));
        lines_.push_back(line);
      }
    });
    tonnix_.start(tonnix_test::ScratchHome::executable(),
                  {QStringLiteral("run"), QStringLiteral("--monitor")});
    ASSERT_TRUE(tonnix_.waitForStarted(tonnix_test::applicationStartTimeout));
  }

  void TearDown() override {
    if (tonnix_.state() == QProcess::NotRunning) return;
    tonnix_.kill();
    tonnix_.waitForFinished(5000);
  }

  // Whether a "Tonnix: NOTIFICATION" line is printed after `action`,
  // which is repeated every `retryAfter` milliseconds until it is: an
  // application is heard only once Tonnix has attached to it, and a
  // window that has only just appeared may let the first keys go by.
  bool expect(const QString& notification, const std::function<void()>& action,
              int retryAfter = eventTimeout) {
    const auto prefix = QStringLiteral("Tonnix: ") + notification + QStringLiteral(" ");
    const auto from = lines_.size();
    for (int waited = 0; waited < eventTimeout; waited += retryAfter) {
      action();
      const bool heard = turnUntil(
          [&] {
            return std::any_of(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end(),
                               [&](const QString& line) { return line.startsWith(prefix); });
          },
          retryAfter);
      if (heard) return true;
    }
    return false;
  }

  // Interrupts Tonnix as a terminal would and waits for it to end.
  int stop() {
    ::kill(static_cast<pid_t>(tonnix_.processId()), SIGTERM);
    if (!tonnix_.waitForFinished(10'000)) return -1;
    return tonnix_.exitStatus() == QProcess::NormalExit ? tonnix_.exitCode() : -1;
  }

  tonnix_test::ScratchHome home_;
  QProcessEnvironment environment_;
  QProcess tonnix_;
  std::vector<QString> lines_;
};

// AT-SPI and the controller inside the shipped program, with the X server's
// mouse monitor installed; clicks, other phases and toolkits are the click
// and AT-SPI tests' part.
TEST_F(TonnixRunDesktopTest, PlaysTheWindowsOfARealApplication) {
  start();
  ASSERT_TRUE(turnUntil(
      [&] {
        return std::any_of(lines_.begin(), lines_.end(), [](const QString& line) {
          return line.startsWith(QStringLiteral("TonnixMouseMonitor: XInput"));
        });
      },
      eventTimeout))
      << "no XInput mouse monitor";
  Application fixture(QStringLiteral(TONNIX_QT_FIXTURE), {});
  ASSERT_TRUE(fixture.started());
  const auto window = windowNamed(QStringLiteral("^Tonnix Fixture$"));
  ASSERT_FALSE(window.isEmpty());

  // The fixture reaches the accessibility bus a little after its window
  // shows, and may let the first keys go by. The second window's closing
  // plays the sound remembered for it at its opening.
  EXPECT_TRUE(expect(
      QStringLiteral("AXWindowCreated"),
      [&] {
        focusAndType(window, {QStringLiteral("ctrl+w"), QStringLiteral("ctrl+n")});
      },
      2000))
      << "no window opened";
  EXPECT_TRUE(expect(QStringLiteral("AXUIElementDestroyed"), [&] {
    focusAndType(window, {QStringLiteral("ctrl+w")});
  })) << "no window closed";
  // Deleted rather than closed, as Qt announces it: only its children hide.
  EXPECT_TRUE(expect(QStringLiteral("AXWindowCreated"), [&] {
    focusAndType(window, {QStringLiteral("ctrl+n")});
  })) << "no window opened again";
  EXPECT_TRUE(expect(QStringLiteral("AXUIElementDestroyed"), [&] {
    focusAndType(window, {QStringLiteral("ctrl+e")});
  })) << "no deleted window closed";

  EXPECT_EQ(stop(), 0);
  // GLib's log (GIO's volume monitors among it) speaks through Tonnix's
  // diagnostics, never in its own format.
  EXPECT_TRUE(std::none_of(lines_.begin(), lines_.end(), [](const QString& line) {
    return line.contains(QStringLiteral("-WARNING **"));
  }));
  const auto output = tonnix_test::readSound(home_.waveOutput().toStdString());
  ASSERT_TRUE(output);
  EXPECT_GT(output->peak(), 0.01) << "the wave output holds no sound";
}

TEST_F(TonnixRunDesktopTest, SaysWhyWithoutAnAccessibilityBusAndKeepsRunning) {
  environment_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                      QStringLiteral("unix:path=/nonexistent/bus"));
  environment_.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
  start();
  EXPECT_TRUE(turnUntil(
      [&] {
        return std::any_of(lines_.begin(), lines_.end(), [](const QString& line) {
          return line.startsWith(QStringLiteral("Accessibility access has not been granted."));
        });
      },
      eventTimeout));
  QThread::msleep(500);
  EXPECT_EQ(tonnix_.state(), QProcess::Running);
  EXPECT_EQ(stop(), 0);
}

}  // namespace
