// Windows moved, resized, minimized and restored by openbox: heard through
// AT-SPI from GTK 3, and from the window manager in `tonnix run --monitor`
// for every toolkit, once each. How each toolkit announces activation is
// pinned by the event translator's tests.

#include <signal.h>

#include <QProcess>
#include <QRegularExpression>

#include "accessibility_observation.h"
#include "program.h"

namespace {

namespace Note = TonnixAXNotification;
namespace Attribute = TonnixAXAttribute;
using tonnix_test::Application;
using tonnix_test::windowNamed;
using tonnix_test::xdotool;

class WindowManagerDesktopTest : public tonnix_test::ObservationTest {
 protected:
  void SetUp() override {
    ObservationTest::SetUp();
    if (IsSkipped()) return;
    int status = -1;
    xdotool({QStringLiteral("get_num_desktops")}, &status);
    if (status != 0) GTEST_SKIP() << "needs TONNIX_HEADLESS_WINDOW_MANAGER=1";
  }
};

TEST_F(WindowManagerDesktopTest, HearsAGtk3WindowMinimizedAndRestored) {
  Application demo(QStringLiteral("gtk3-demo"), {QStringLiteral("--run=dialog")});
  ASSERT_TRUE(demo.started());
  const auto window = windowNamed(QStringLiteral("^Dialogs and Message Boxes$"));
  ASSERT_FALSE(window.isEmpty());
  observe(demo.pid(), {Note::windowMiniaturized, Note::windowDeminiaturized});
  const auto minimized = expect(Note::windowMiniaturized, [&] {
    xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), window});
  });
  ASSERT_TRUE(minimized) << "no window minimized";
  EXPECT_EQ(text(*minimized, Attribute::role), QStringLiteral("AXWindow"));
  const auto restored = expect(Note::windowDeminiaturized, [&] {
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
  });
  ASSERT_TRUE(restored) << "no window restored";
  EXPECT_EQ(text(*restored, Attribute::role), QStringLiteral("AXWindow"));
}

// `tonnix run --monitor`, its lines collected as the event loop turns.
class MonitoredRun {
 public:
  MonitoredRun() {
    process_.setProcessEnvironment(home_.environment());
    // The monitor lines and the diagnostics, in the order they were written.
    process_.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
      while (process_.canReadLine()) {
        lines_.append(QString::fromUtf8(process_.readLine()).trimmed());
        std::printf("  | %s\n", qPrintable(lines_.last()));
      }
    });
    process_.start(tonnix_test::ScratchHome::executable(),
                   {QStringLiteral("run"), QStringLiteral("--monitor")});
    // Said once the workspace follows the applications.
    tonnix_test::turnUntil(
        [&] {
          return lines_.indexOf(QRegularExpression(QStringLiteral("^TonnixMouseMonitor:"))) >= 0;
        },
        tonnix_test::eventTimeout);
  }
  ~MonitoredRun() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  MonitoredRun(const MonitoredRun&) = delete;
  MonitoredRun& operator=(const MonitoredRun&) = delete;

  // The lines of `notification` from the program `from` heard after
  // `action`, counted once a second has passed without another.
  int heard(const QString& notification, const QString& from, const std::function<void()>& action) {
    const auto counted = [&] {
      return static_cast<int>(std::count_if(lines_.begin(), lines_.end(), [&](const QString& line) {
        return line.startsWith(QStringLiteral("Tonnix: ") + notification + u' ') &&
               line.endsWith(QStringLiteral(" from ") + from);
      }));
    };
    const int before = counted();
    action();
    tonnix_test::turnUntil([&] { return counted() > before; }, tonnix_test::eventTimeout);
    tonnix_test::turnFor(1000);
    return counted() - before;
  }

 private:
  tonnix_test::ScratchHome home_;
  QProcess process_;
  QStringList lines_;
};

// Qt and GTK 4 tell none of these themselves; GTK 3 tells its minimize too,
// on every top-level window. An application off the accessibility bus
// launches and quits all the same.
TEST_F(WindowManagerDesktopTest, ActionsOnWindowsAreHeardOnceFromTheirApplication) {
  MonitoredRun run;
  const QString fixtureName = QStringLiteral("tonnix_qt_fixture");
  std::unique_ptr<Application> fixture;
  EXPECT_EQ(run.heard(QStringLiteral("App Launched"), fixtureName,
                      [&] {
                        fixture = std::make_unique<Application>(QStringLiteral(TONNIX_QT_FIXTURE),
                                                                QStringList());
                      }),
            1);
  const auto window = windowNamed(QStringLiteral("^Tonnix Fixture$"));
  ASSERT_FALSE(window.isEmpty());
  for (const auto& [notification, command] :
       {std::pair{QStringLiteral("AXWindowMoved"), QStringLiteral("windowmove --sync %1 200 150")},
        std::pair{QStringLiteral("AXWindowResized"),
                  QStringLiteral("windowsize --sync %1 500 420")},
        std::pair{QStringLiteral("AXWindowMiniaturized"),
                  QStringLiteral("windowminimize --sync %1")},
        std::pair{QStringLiteral("AXWindowDeminiaturized"),
                  QStringLiteral("windowactivate --sync %1")}}) {
    const auto arguments = command.arg(window).split(u' ');
    EXPECT_EQ(run.heard(notification, fixtureName, [&] { xdotool(arguments); }), 1)
        << qPrintable(command);
  }

  // A plain widget without parent or children deleted by its program says
  // nothing; the activation of the window left behind is its closing.
  EXPECT_EQ(run.heard(QStringLiteral("AXWindowCreated"), fixtureName,
                      [&] { tonnix_test::focusAndType(window, {QStringLiteral("ctrl+b")}); }),
            1);
  const auto plain = windowNamed(QStringLiteral("^Fixture Plain Window$"));
  ASSERT_FALSE(plain.isEmpty());
  EXPECT_EQ(run.heard(QStringLiteral("AXUIElementDestroyed"), fixtureName,
                      [&] { tonnix_test::focusAndType(plain, {QStringLiteral("ctrl+shift+b")}); }),
            1);

  // Attached by then, so that GTK 3 tells its minimize too.
  Application demo(QStringLiteral("gtk3-demo"), {QStringLiteral("--run=dialog")});
  const auto dialogs = windowNamed(QStringLiteral("^Dialogs and Message Boxes$"));
  ASSERT_FALSE(dialogs.isEmpty());
  tonnix_test::turnFor(2000);
  EXPECT_EQ(
      run.heard(QStringLiteral("AXWindowMiniaturized"), QStringLiteral("GTK+ Demo"),
                [&] {
                  xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), dialogs});
                }),
      1);

  // GTK without its accessibility bridge stays off the bus.
  auto environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
  std::unique_ptr<Application> factory;
  const QString factoryName = QStringLiteral("Widget Factory");
  EXPECT_EQ(run.heard(QStringLiteral("App Launched"), factoryName,
                      [&] {
                        factory = std::make_unique<Application>(
                            QStringLiteral("gtk3-widget-factory"), QStringList(), environment);
                      }),
            1);
  EXPECT_EQ(run.heard(QStringLiteral("App Quit"), factoryName, [&] { factory.reset(); }), 1);
}

}  // namespace
