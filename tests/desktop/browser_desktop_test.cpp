// Firefox ESR and Chromium heard by `tonnix run --monitor` as a GTK
// application is heard, each browser run once and driven the same way by its
// own keyboard shortcuts (src/platform/linux/NOTES.md). Runs inside
// scripts/headless-session; a browser that is not installed is skipped.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "desktop_session.h"
#include "event_loop.h"
#include "program.h"

namespace {

using tonnix_test::turnUntil;
using tonnix_test::xdotool;

constexpr int eventTimeout = 10'000;  // milliseconds
// How long a step waits after its sound for a second one.
constexpr int settleTime = 500;

// A fresh profile that asks the closed network nothing and shows no
// first-run pages.
const char* const firefoxPreferences = R"(user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.startup.page", 0);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("startup.homepage_welcome_url", "");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.checkInstallTime", false);
user_pref("app.normandy.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("browser.search.update", false);
user_pref("browser.safebrowsing.update.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("browser.sessionstore.resume_from_crash", false);
)";

struct Browser {
  QString program;
  QStringList arguments;
  QString windowTitle;  // a pattern of its first window's title
};

class BrowserDesktopTest : public testing::Test {
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
    std::filesystem::create_directory_symlink(sessionSettings, home_.root() / "config" / "dconf",
                                              ignored);
    tonnix_.setProcessChannelMode(QProcess::MergedChannels);
    tonnix_.setProcessEnvironment(home_.environment());
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
    // The mouse monitor is made after the applications already running are
    // listed: a browser started before that would be no launch.
    ASSERT_TRUE(turnUntil(
        [&] {
          return std::any_of(lines_.begin(), lines_.end(), [](const QString& line) {
            return line.startsWith(QStringLiteral("TonnixMouseMonitor: "));
          });
        },
        tonnix_test::applicationStartTimeout));
  }

  void TearDown() override {
    if (browser_.state() != QProcess::NotRunning) {
      browser_.kill();
      browser_.waitForFinished(5000);
    }
    if (tonnix_.state() == QProcess::NotRunning) return;
    tonnix_.kill();
    tonnix_.waitForFinished(5000);
  }

  // The "Tonnix: NOTIFICATION" lines heard since line `from`.
  int count(std::size_t from, const QString& notification) const {
    const auto prefix = QStringLiteral("Tonnix: ") + notification + QStringLiteral(" ");
    return static_cast<int>(
        std::count_if(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end(),
                      [&](const QString& line) { return line.startsWith(prefix); }));
  }

  // Presses the keys in the focused window and expects `notification` to be
  // heard once, and none of `unwanted`.
  void step(const QStringList& keys, const QString& notification,
            const QStringList& unwanted = {}) {
    const auto from = lines_.size();
    if (!keys.isEmpty()) xdotool(QStringList{QStringLiteral("key")} + keys);
    const int timeout = keys.isEmpty() ? tonnix_test::applicationStartTimeout : eventTimeout;
    EXPECT_TRUE(turnUntil([&] { return count(from, notification) > 0; }, timeout))
        << keys.join(u' ').toStdString() << ": no " << notification.toStdString();
    turnUntil([] { return false; }, settleTime);
    EXPECT_EQ(count(from, notification), 1)
        << keys.join(u' ').toStdString() << ": " << notification.toStdString();
    for (const auto& name : unwanted) {
      EXPECT_EQ(count(from, name), 0)
          << keys.join(u' ').toStdString() << ": " << name.toStdString();
    }
  }

  void drive(const Browser& browser) {
    if (QStandardPaths::findExecutable(browser.program).isEmpty()) {
      GTEST_SKIP() << "needs " << browser.program.toStdString();
    }
    browser_.start(browser.program, browser.arguments);
    ASSERT_TRUE(browser_.waitForStarted(tonnix_test::applicationStartTimeout));
    step({}, QStringLiteral("App Launched"));
    const auto window = tonnix_test::windowNamed(browser.windowTitle);
    ASSERT_FALSE(window.isEmpty());
    const auto focus = [](const QString& target) {
      xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), target});
    };
    focus(window);
    // Tonnix attaches to the browser a little after its launch, and a
    // browser that has only just shown its window may let the first keys go
    // by: the menu is opened again until it is heard.
    turnUntil([] { return false; }, 1000);
    for (int attempt = 0; attempt < 3; ++attempt) {
      const auto from = lines_.size();
      xdotool({QStringLiteral("key"), QStringLiteral("alt+f")});
      if (turnUntil([&] { return count(from, QStringLiteral("AXMenuOpened")) > 0; }, 3000)) break;
      xdotool({QStringLiteral("key"), QStringLiteral("Escape"), QStringLiteral("Escape")});
      turnUntil([] { return false; }, 1000);
    }
    xdotool({QStringLiteral("key"), QStringLiteral("Escape"), QStringLiteral("Escape")});
    turnUntil([] { return false; }, settleTime);

    const QStringList notMenus{QStringLiteral("AXFocusedWindowChanged"),
                               QStringLiteral("AXWindowCreated"),
                               QStringLiteral("AXUIElementDestroyed")};
    step({QStringLiteral("alt+f")}, QStringLiteral("AXMenuOpened"), notMenus);
    step({QStringLiteral("Down")}, QStringLiteral("AXMenuItemSelected"), notMenus);
    // Firefox leaves its menu bar only with a second Escape.
    step({QStringLiteral("Escape"), QStringLiteral("Escape")}, QStringLiteral("AXMenuClosed"),
         notMenus);
    step({QStringLiteral("ctrl+n")}, QStringLiteral("AXWindowCreated"));
    // Without a window manager a new window may be left without the focus.
    const auto windows = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--name"), browser.windowTitle})
                             .split(u'\n');
    for (const auto& other : windows) {
      if (other != window) focus(other);
    }
    step({QStringLiteral("ctrl+w")}, QStringLiteral("AXUIElementDestroyed"));
    // Without a window manager nobody gives the focus back to the first
    // window once another has closed.
    focus(window);
    step({QStringLiteral("ctrl+o")}, QStringLiteral("AXWindowCreated"));
    step({QStringLiteral("Escape")}, QStringLiteral("AXUIElementDestroyed"));
    focus(window);
    // Closing the last window quits either browser.
    const auto quitting = lines_.size();
    step({QStringLiteral("ctrl+w")}, QStringLiteral("App Quit"));
    // Chromium says nothing when its last window closes: the window goes
    // with the process, heard or not before Tonnix lets go of it.
    EXPECT_LE(count(quitting, QStringLiteral("AXUIElementDestroyed")), 1);
    EXPECT_EQ(count(0, QStringLiteral("App Launched")), 1);
  }

  tonnix_test::ScratchHome home_;
  QTemporaryDir profile_;
  QProcess tonnix_;
  QProcess browser_;
  std::vector<QString> lines_;
};

TEST_F(BrowserDesktopTest, FirefoxSoundsAsAGtkApplication) {
  ASSERT_TRUE(profile_.isValid());
  QFile preferences(profile_.filePath(QStringLiteral("user.js")));
  ASSERT_TRUE(preferences.open(QIODevice::WriteOnly));
  preferences.write(firefoxPreferences);
  preferences.close();
  drive({QStringLiteral("firefox-esr"),
         {QStringLiteral("-profile"), profile_.path(), QStringLiteral("-no-remote"),
          QStringLiteral("about:blank")},
         QStringLiteral("Mozilla Firefox$")});
}

// Chromium refuses its sandbox to root, where the tests may run.
TEST_F(BrowserDesktopTest, ChromiumSoundsAsAGtkApplication) {
  ASSERT_TRUE(profile_.isValid());
  drive({QStringLiteral("chromium"),
         {QStringLiteral("--no-sandbox"), QStringLiteral("--force-renderer-accessibility"),
          QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check"),
          QStringLiteral("--disable-background-networking"),
          QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
          QStringLiteral("--disable-gpu"), QStringLiteral("--user-data-dir=") + profile_.path(),
          QStringLiteral("about:blank")},
         QStringLiteral("Chromium$")});
}

}  // namespace
