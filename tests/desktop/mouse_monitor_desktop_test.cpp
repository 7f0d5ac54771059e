// The global mouse monitors against the X server and accessibility registry
// of scripts/headless-session, driven by xdotool.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "desktop_session.h"
#include "event_loop.h"
#include "platform/linux/atspi_mouse_monitor.h"
#include "platform/linux/mouse_monitor_factory.h"
#include "platform/linux/xinput_mouse_monitor.h"

// After Qt's headers, which Xlib's macros would break.
#include <X11/Xlib.h>

namespace {

using Kind = TonnixMouseEventKind;

// xdotool's actions, which must succeed for the test to mean anything.
void xdotool(const QStringList& arguments) {
  int status = -1;
  tonnix_test::xdotool(arguments, &status);
  ASSERT_EQ(status, 0) << arguments.join(QLatin1Char(' ')).toStdString();
}

struct Heard {
  Kind kind;
  QPointF location;
  bool onMainThread;
};

class Listener {
 public:
  explicit Listener(TonnixMouseMonitor& monitor) : monitor_(monitor) {
    connection_ = QObject::connect(
        &monitor, &TonnixMouseMonitor::occurred, [this](Kind kind, QPointF location) {
          heard.push_back({kind, location, QThread::currentThread() == qApp->thread()});
        });
  }
  ~Listener() {
    QObject::disconnect(connection_);
    for (const auto kind : kinds_) monitor_.unwatch(kind);
  }

  bool install(Kind kind) {
    if (!monitor_.watch(kind)) return false;
    kinds_.push_back(kind);
    return true;
  }
  void remove(Kind kind) {
    monitor_.unwatch(kind);
    std::erase(kinds_, kind);
  }
  void installAll() {
    for (const Kind kind : {Kind::leftMouseDown, Kind::leftMouseDragged, Kind::leftMouseUp}) {
      ASSERT_TRUE(install(kind));
    }
  }

  int count(Kind kind) const {
    return static_cast<int>(std::count_if(heard.begin(), heard.end(),
                                          [kind](const Heard& h) { return h.kind == kind; }));
  }
  std::optional<Heard> await(Kind kind, int n = 1) {
    if (!tonnix_test::turnUntil([&] { return count(kind) >= n; })) return std::nullopt;
    int seen = 0;
    for (const auto& h : heard) {
      if (h.kind == kind && ++seen == n) return h;
    }
    return std::nullopt;
  }
  std::vector<Kind> kinds() const {
    std::vector<Kind> result;
    for (const auto& h : heard) result.push_back(h.kind);
    return result;
  }

  std::vector<Heard> heard;

 private:
  TonnixMouseMonitor& monitor_;
  QMetaObject::Connection connection_;
  std::vector<Kind> kinds_;
};

bool hasDesktop() {
  return tonnix_test::missingDesktopSession().isEmpty();
}

template <typename Monitor>
class ConnectedMonitorTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!hasDesktop()) GTEST_SKIP() << "needs scripts/headless-session and xdotool";
    auto connected = Monitor::connect();
    ASSERT_TRUE(connected) << connected.error().toStdString();
    monitor_ = std::move(*connected);
  }

  std::unique_ptr<Monitor> monitor_;
};
using XInputMouseMonitorTest = ConnectedMonitorTest<TonnixXInputMouseMonitor>;
using AtspiMouseMonitorTest = ConnectedMonitorTest<TonnixAtspiMouseMonitor>;

// A warp (mousemove) is no device motion; a relative move is. Events arrive
// in order, so a later press is the sign that nothing was told for the
// moves and other buttons before it.
TEST_F(XInputMouseMonitorTest, LeftButtonEventsArriveOnTheMainThreadWhereThePointerIs) {
  Listener listener(*monitor_);
  listener.installAll();

  xdotool({"mousemove", "100", "100", "mousemove_relative", "10", "10"});
  xdotool({"mousemove", "200", "150", "mousedown", "1"});
  const auto down = listener.await(Kind::leftMouseDown);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->location, QPointF(200, 150));
  xdotool({"mousemove_relative", "--", "30", "20"});
  const auto drag = listener.await(Kind::leftMouseDragged);
  ASSERT_TRUE(drag);
  EXPECT_EQ(drag->location, QPointF(230, 170));
  xdotool({"mouseup", "1"});
  const auto up = listener.await(Kind::leftMouseUp);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->location, QPointF(230, 170));

  xdotool({"mousemove_relative", "10", "10"});
  xdotool({"click", "3", "click", "2", "click", "4", "click", "1"});
  ASSERT_TRUE(listener.await(Kind::leftMouseUp, 2));
  EXPECT_EQ(listener.kinds(),
            (std::vector<Kind>{Kind::leftMouseDown, Kind::leftMouseDragged, Kind::leftMouseUp,
                               Kind::leftMouseDown, Kind::leftMouseUp}));
  for (const auto& heard : listener.heard) EXPECT_TRUE(heard.onMainThread);

  // A removed monitor hears nothing more.
  listener.remove(Kind::leftMouseDown);
  xdotool({"click", "1"});
  ASSERT_TRUE(listener.await(Kind::leftMouseUp, 3));
  EXPECT_EQ(listener.count(Kind::leftMouseDown), 2);
}

// Swaps the first and third buttons of the server's pointer map, as for a
// left-handed pointer, until destroyed.
class LeftHandedPointer {
 public:
  LeftHandedPointer() : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    count_ = XGetPointerMapping(display_, original_.data(), static_cast<int>(original_.size()));
    auto swapped = original_;
    std::swap(swapped[0], swapped[2]);
    swapped_ =
        count_ >= 3 && XSetPointerMapping(display_, swapped.data(), count_) == MappingSuccess;
    XSync(display_, False);
  }
  ~LeftHandedPointer() {
    if (!display_) return;
    if (swapped_) XSetPointerMapping(display_, original_.data(), count_);
    XCloseDisplay(display_);
  }
  bool isSwapped() const { return swapped_; }

 private:
  Display* display_;
  std::array<unsigned char, 256> original_{};
  int count_ = 0;
  bool swapped_ = false;
};

// Raw events carry the physical button; the primary one is whichever the
// server maps to button 1.
TEST_F(XInputMouseMonitorTest, FollowsTheServersButtonMap) {
  const LeftHandedPointer leftHanded;
  ASSERT_TRUE(leftHanded.isSwapped());

  Listener listener(*monitor_);
  listener.installAll();
  xdotool({"mousemove", "70", "80", "mousedown", "3"});
  const auto down = listener.await(Kind::leftMouseDown);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->location, QPointF(70, 80));
  xdotool({"click", "1", "mouseup", "3"});
  ASSERT_TRUE(listener.await(Kind::leftMouseUp));
  EXPECT_EQ(listener.kinds(), (std::vector<Kind>{Kind::leftMouseDown, Kind::leftMouseUp}));
}

// Xlib's own answer to a lost server is to end the process.
TEST(XInputMouseMonitorConnectionTest, NoServerIsAnErrorAndALostOneStopsTheMonitorOnly) {
  const auto none = TonnixXInputMouseMonitor::connect(QStringLiteral(":4096"));
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error(), QStringLiteral("could not connect to X display :4096"));

  if (!hasDesktop()) GTEST_SKIP() << "needs scripts/headless-session";
  QProcess server;
  server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp"});
  ASSERT_TRUE(server.waitForStarted());
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return server.canReadLine(); }));
  const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine()).trimmed();

  auto connected = TonnixXInputMouseMonitor::connect(display);
  ASSERT_TRUE(connected) << connected.error().toStdString();
  auto& monitor = **connected;
  Listener listener(monitor);
  ASSERT_TRUE(listener.install(Kind::leftMouseDown));

  server.kill();
  server.waitForFinished();
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return !monitor.isConnected(); }));
  EXPECT_FALSE(monitor.watch(Kind::leftMouseUp));
}

// The registry polls the pointer: a press may carry where the pointer was
// before the move, the release where it was at the press. A second monitor,
// which keeps listening, tells when a press was seen.
TEST_F(AtspiMouseMonitorTest, PressAndReleaseArriveOnTheMainThreadUntilRemoved) {
  Listener listener(*monitor_);
  ASSERT_TRUE(listener.install(Kind::leftMouseDown));
  ASSERT_TRUE(listener.install(Kind::leftMouseUp));
  EXPECT_FALSE(listener.install(Kind::leftMouseDragged));

  xdotool({"mousemove", "300", "200", "mousedown", "1"});
  ASSERT_TRUE(listener.await(Kind::leftMouseDown));
  xdotool({"mouseup", "1"});
  const auto up = listener.await(Kind::leftMouseUp);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->location, QPointF(300, 200));
  EXPECT_EQ(listener.kinds(), (std::vector<Kind>{Kind::leftMouseDown, Kind::leftMouseUp}));
  for (const auto& heard : listener.heard) EXPECT_TRUE(heard.onMainThread);

  auto witnessMonitor = TonnixAtspiMouseMonitor::connect();
  ASSERT_TRUE(witnessMonitor);
  Listener witness(**witnessMonitor);
  ASSERT_TRUE(witness.install(Kind::leftMouseDown));
  listener.remove(Kind::leftMouseDown);
  xdotool({"mousedown", "1"});
  ASSERT_TRUE(witness.await(Kind::leftMouseDown));
  xdotool({"mouseup", "1"});
  ASSERT_TRUE(listener.await(Kind::leftMouseUp, 2));
  EXPECT_EQ(listener.count(Kind::leftMouseDown), 1);
}

// That XInput comes first is what the run desktop test sees Tonnix print.
TEST(MouseMonitorFactoryTest, FallsBackToTheRegistryWithoutAnXServer) {
  if (!hasDesktop()) GTEST_SKIP() << "needs scripts/headless-session";
  const QByteArray display = qgetenv("DISPLAY");
  qunsetenv("DISPLAY");
  const auto fallback = makeMouseMonitor();
  qputenv("DISPLAY", display);
  EXPECT_NE(dynamic_cast<TonnixAtspiMouseMonitor*>(fallback.get()), nullptr);
}

}  // namespace
