#include "platform/linux/pointer_devices.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "event_loop.h"
#include "platform/linux/libinput_mouse_monitor.h"
#include "platform/linux/pointer_settings.h"

namespace {

using ClickMethod = TonnixPointerSettings::ClickMethod;

class FakePointerSettings final : public TonnixPointerSettingsSource {
 public:
  explicit FakePointerSettings(TonnixPointerSettings settings) : settings_(settings) {}
  TonnixPointerSettings settingsFor(const TonnixPointerDevice&) const override { return settings_; }
  void set(TonnixPointerSettings settings) {
    settings_ = settings;
    changed();
  }

 private:
  TonnixPointerSettings settings_;
};

std::string readAll(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The recorded stream's times moved to now on the monotonic clock, which
// libinput's timers (taps) run on; umockdev replays the times as written.
std::string streamFromNow(const std::string& path) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const double base = double(now.tv_sec) + double(now.tv_nsec) / 1e9;
  std::istringstream lines(readAll(path));
  std::ostringstream moved;
  for (std::string line; std::getline(lines, line);) {
    double time = 0;
    char rest[64] = {};
    if (std::sscanf(line.c_str(), "E: %lf %63[^\n]", &time, rest) == 2) {
      char stamped[128];
      std::snprintf(stamped, sizeof stamped, "E: %.6f %s", base + time, rest);
      line = stamped;
    }
    moved << line << '\n';
  }
  return moved.str();
}

// The presses (true) and releases Tonnix hears while the emulated `device`
// of tests/data/input plays `stream`, with the desktop's `settings`, and
// `later` from 100 ms on where given.
std::vector<bool> heard(const std::string& device, const std::string& stream,
                        TonnixPointerSettings settings,
                        std::optional<TonnixPointerSettings> later = std::nullopt) {
  const std::string data = TONNIX_TEST_INPUT_DIR "/";
  const std::string ioctls = readAll(data + device + ".ioctl");
  const std::string node = ioctls.substr(5, ioctls.find('\n') - 5);  // "@DEV /dev/input/…"
  QTemporaryDir scratch;
  const std::string events = scratch.filePath(QStringLiteral("stream.events")).toStdString();
  std::ofstream(events) << streamFromNow(data + stream + ".events");

  UMockdevTestbed* testbed = umockdev_testbed_new();
  GError* error = nullptr;
  const bool made =
      umockdev_testbed_add_from_file(testbed, (data + device + ".umockdev").c_str(), &error) &&
      umockdev_testbed_load_ioctl(testbed, node.c_str(), (data + device + ".ioctl").c_str(),
                                  &error) &&
      umockdev_testbed_load_evemu_events(testbed, node.c_str(), events.c_str(), &error);
  EXPECT_TRUE(made) << (error ? error->message : "");
  if (error) g_error_free(error);

  auto fake = std::make_unique<FakePointerSettings>(settings);
  FakePointerSettings& desktop = *fake;
  auto monitor = TonnixLibinputMouseMonitor::connect(std::move(fake));
  std::vector<bool> changes;
  if (made && monitor) {
    QObject::connect(monitor->get(), &TonnixMouseMonitor::occurred,
                     [&](TonnixMouseEventKind kind, QPointF) {
                       changes.push_back(kind == TonnixMouseEventKind::leftMouseDown);
                     });
    (*monitor)->watch(TonnixMouseEventKind::leftMouseDown);
    (*monitor)->watch(TonnixMouseEventKind::leftMouseUp);
    if (later) QTimer::singleShot(100, [&] { desktop.set(*later); });
    tonnix_test::turnFor(1000);
  }
  if (monitor) monitor->reset();
  g_object_unref(testbed);
  return changes;
}

class LibinputDevicesTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* preloaded = std::getenv("LD_PRELOAD");
    if (!preloaded || !std::strstr(preloaded, "libumockdev-preload")) {
      GTEST_SKIP() << "run without umockdev's preload library";
    }
  }
  const std::vector<bool> click{true, false};
  const std::vector<bool> nothing{};
};

}  // namespace

// A one-finger tap is a click only with tap-to-click on, as the compositor
// makes it; two fingers tapped are the secondary button, which is silent.
TEST_F(LibinputDevicesTest, TouchpadTaps) {
  TonnixPointerSettings tapping;
  tapping.tapToClick = true;
  EXPECT_EQ(heard("touchpad", "tap", {}), nothing);
  EXPECT_EQ(heard("touchpad", "tap", tapping), click);
  EXPECT_EQ(heard("touchpad", "two-finger-tap", tapping), nothing);
}

// A clickpad's press in the bottom-right corner is the secondary button
// with software button areas, and the primary with clickfinger (one finger).
TEST_F(LibinputDevicesTest, ClickpadBottomRightPress) {
  TonnixPointerSettings areas;
  areas.clickMethod = ClickMethod::buttonAreas;
  TonnixPointerSettings fingers;
  fingers.clickMethod = ClickMethod::clickFinger;
  EXPECT_EQ(heard("clickpad", "bottom-right-press", areas), nothing);
  EXPECT_EQ(heard("clickpad", "bottom-right-press", fingers), click);
}

// A left-handed mouse's right button is the primary one, also when the
// setting changes while Tonnix listens.
TEST_F(LibinputDevicesTest, LeftHandedMouse) {
  TonnixPointerSettings leftHanded;
  leftHanded.leftHanded = true;
  EXPECT_EQ(heard("mouse", "right-click", {}), nothing);
  EXPECT_EQ(heard("mouse", "right-click", leftHanded), click);
  EXPECT_EQ(heard("mouse", "right-click", {}, leftHanded), click);
}

// GNOME's keys as its compositor applies them: the touchpad's own
// left-handed choice or the mouse's, and only the touchpad taps.
TEST(PointerSettingsTest, GnomeKeys) {
  TonnixGnomePointerKeys keys;
  keys.mouseLeftHanded = true;
  keys.tapToClick = true;
  keys.clickMethod = "areas";
  keys.tapButtonMap = "lmr";
  keys.sendEvents = "disabled-on-external-mouse";
  const auto touchpad = gnomePointerSettings(keys, true);
  EXPECT_EQ(touchpad.leftHanded, true);
  EXPECT_EQ(touchpad.tapToClick, true);
  EXPECT_EQ(touchpad.clickMethod, ClickMethod::buttonAreas);
  EXPECT_EQ(touchpad.tapLeftMiddleRight, true);
  EXPECT_EQ(touchpad.sendEvents, TonnixPointerSettings::SendEvents::disabledOnExternalMouse);
  const auto mouse = gnomePointerSettings(keys, false);
  EXPECT_EQ(mouse.leftHanded, true);
  EXPECT_FALSE(mouse.tapToClick || mouse.clickMethod || mouse.sendEvents);

  keys.touchpadLeftHanded = "right";
  keys.clickMethod = "default";
  keys.tapButtonMap = "default";
  const auto own = gnomePointerSettings(keys, true);
  EXPECT_EQ(own.leftHanded, false);
  EXPECT_FALSE(own.clickMethod || own.tapLeftMiddleRight);
}

// KWin's groups in kcminputrc, one per device; another device's group and
// keys KWin did not write leave libinput's defaults.
TEST(PointerSettingsTest, KdeDeviceGroups) {
  const std::string kcminputrc =
      "[Mouse]\ncursorTheme=breeze_cursors\n\n"
      "[Libinput][1267][12377][ELAN1300:00 04F3:3059 Touchpad]\n"
      "ClickMethod=2\nLeftHanded=true\nTapToClick=true\n\n"
      "[Libinput][1133][49277][Logitech Mouse]\nLeftHanded=false\n";
  const auto touchpad =
      kdePointerSettings(kcminputrc, {"ELAN1300:00 04F3:3059 Touchpad", 1267, 12377, true});
  EXPECT_EQ(touchpad.tapToClick, true);
  EXPECT_EQ(touchpad.leftHanded, true);
  EXPECT_EQ(touchpad.clickMethod, ClickMethod::clickFinger);
  EXPECT_FALSE(touchpad.tapAndDrag);
  EXPECT_EQ(kdePointerSettings(kcminputrc, {"Logitech Mouse", 1133, 49277, false}).leftHanded,
            false);
  EXPECT_EQ(kdePointerSettings(kcminputrc, {"Other", 1, 2, false}), TonnixPointerSettings{});
}

// Mice and touchpads are read, never a device that also has keys; and the
// rule Tonnix tells the user to install is the one it ships.
TEST(PointerDevicesTest, OnlyPointersTheRuleInstalledAndWhatGrantsIt) {
  const auto isPointer = [](std::map<std::string, std::string> properties) {
    return isPointerDevice([&](const char* name) {
      return properties.contains(name) ? properties[name].c_str() : nullptr;
    });
  };
  EXPECT_TRUE(isPointer({{"ID_INPUT_MOUSE", "1"}}));
  EXPECT_TRUE(isPointer({{"ID_INPUT_TOUCHPAD", "1"}, {"ID_INPUT_KEYBOARD", "0"}}));
  EXPECT_FALSE(isPointer({{"ID_INPUT_MOUSE", "1"}, {"ID_INPUT_KEYBOARD", "1"}}));
  EXPECT_FALSE(isPointer({{"ID_INPUT_TOUCHPAD", "1"}, {"ID_INPUT_KEY", "1"}}));

  QFile file(QStringLiteral(TONNIX_TEST_DATA_DIR "/udev/70-tonnix-pointers.rules"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QString rules;
  for (const auto& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
    if (!line.startsWith(u'#')) rules += line + u'\n';
  }
  EXPECT_EQ(rules, QString::fromUtf8(TonnixLibinputMouseMonitor::udevRule));

  EXPECT_TRUE(
      pointerAccessAdvice("/usr/bin").endsWith(QStringLiteral("install tonnix-pointer-access.")));
  EXPECT_TRUE(pointerAccessAdvice("/home/ada/.local/bin")
                  .contains(QStringLiteral("copy data/udev/70-tonnix-pointers.rules")));
}
