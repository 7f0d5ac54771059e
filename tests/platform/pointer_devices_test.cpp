#include "platform/linux/pointer_devices.h"

#undef signals
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <umockdev.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "event_loop.h"
#include "platform/linux/gsettings_pointer_settings.h"
#include "platform/linux/kde_pointer_settings.h"
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

// One of the devices of tests/data/input in a testbed of its own, playing
// a recorded stream once plugged in.
class EmulatedDevice {
 public:
  EmulatedDevice(const std::string& device, const std::string& stream)
      : data_(TONNIX_TEST_INPUT_DIR "/"), device_(device), stream_(stream) {
    const std::string ioctls = readAll(data_ + device + ".ioctl");
    node_ = ioctls.substr(5, ioctls.find('\n') - 5);  // "@DEV /dev/input/…"
  }
  ~EmulatedDevice() { g_object_unref(testbed_); }
  EmulatedDevice(const EmulatedDevice&) = delete;
  EmulatedDevice& operator=(const EmulatedDevice&) = delete;

  // The stream starts when the device is opened.
  void plugIn() {
    const std::string events = scratch_.filePath(QStringLiteral("stream.events")).toStdString();
    std::ofstream(events) << streamFromNow(data_ + stream_ + ".events");
    GError* error = nullptr;
    const bool made =
        umockdev_testbed_add_from_file(testbed_, (data_ + device_ + ".umockdev").c_str(), &error) &&
        umockdev_testbed_load_ioctl(testbed_, node_.c_str(), (data_ + device_ + ".ioctl").c_str(),
                                    &error) &&
        umockdev_testbed_load_evemu_events(testbed_, node_.c_str(), events.c_str(), &error);
    EXPECT_TRUE(made) << (error ? error->message : "");
    if (error) g_error_free(error);
  }
  // udev's word that the device came or went.
  void announce(const char* action) {
    const auto syspath = "/sys/devices/virtual/input/input" + node_.substr(16) + "/event" +
                         node_.substr(16);  // "/dev/input/event" and its number
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
  }

 private:
  UMockdevTestbed* testbed_ = umockdev_testbed_new();
  QTemporaryDir scratch_;
  std::string data_;
  std::string device_;
  std::string stream_;
  std::string node_;
};

// The presses (true) and releases Tonnix hears in a second of watching
// with the desktop's `settings`, what `meanwhile` does running first.
std::vector<bool> heard(TonnixPointerSettings settings,
                        const std::function<void(FakePointerSettings&)>& meanwhile) {
  auto fake = std::make_unique<FakePointerSettings>(settings);
  FakePointerSettings& desktop = *fake;
  auto monitor = TonnixLibinputMouseMonitor::connect(std::move(fake));
  EXPECT_TRUE(monitor.hasValue());
  std::vector<bool> changes;
  if (!monitor) return changes;
  QObject::connect(monitor->get(), &TonnixMouseMonitor::occurred,
                   [&](TonnixMouseEventKind kind, QPointF) {
                     changes.push_back(kind == TonnixMouseEventKind::leftMouseDown);
                   });
  (*monitor)->watch(TonnixMouseEventKind::leftMouseDown);
  (*monitor)->watch(TonnixMouseEventKind::leftMouseUp);
  meanwhile(desktop);
  tonnix_test::turnFor(1000);
  return changes;
}

// What Tonnix hears of `stream` played by `device`, and `later` set from
// 100 ms on where given.
std::vector<bool> heard(const std::string& device, const std::string& stream,
                        TonnixPointerSettings settings,
                        std::optional<TonnixPointerSettings> later = std::nullopt) {
  EmulatedDevice emulated(device, stream);
  emulated.plugIn();
  return heard(settings, [&](FakePointerSettings& desktop) {
    if (later) QTimer::singleShot(100, [&desktop, later] { desktop.set(*later); });
  });
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

// A mouse plugged in while Tonnix listens is heard; unplugged with its
// button held, the button is let go.
TEST_F(LibinputDevicesTest, MousePluggedInAndOut) {
  EmulatedDevice mouse("mouse", "left-press-held");
  EXPECT_EQ(heard({},
                  [&](FakePointerSettings&) {
                    QTimer::singleShot(100, [&] {
                      mouse.plugIn();
                      mouse.announce("add");
                    });
                    QTimer::singleShot(600, [&] { mouse.announce("remove"); });
                  }),
            click);
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

// Both desktops' settings are followed as they change: GNOME's keys (on
// GSettings' memory backend) and KDE's file, which KDE replaces.
TEST(PointerSettingsTest, FollowedLive) {
  const TonnixPointerDevice touchpad{"Tonnix Test Touchpad", 4660, 22136, true};
  int changes = 0;
  auto gnome = makeGSettingsPointerSettings();
  ASSERT_TRUE(gnome) << "GNOME's schemas are not installed";
  gnome->onChanged([&] { ++changes; });
  EXPECT_EQ(gnome->settingsFor(touchpad).tapToClick, false);
  GSettings* keys = g_settings_new("org.gnome.desktop.peripherals.touchpad");
  g_settings_set_boolean(keys, "tap-to-click", TRUE);
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return changes == 1; }, 2000));
  EXPECT_EQ(gnome->settingsFor(touchpad).tapToClick, true);
  g_settings_reset(keys, "tap-to-click");
  g_object_unref(keys);

  QTemporaryDir config;
  const auto file = config.filePath(QStringLiteral("kcminputrc")).toStdString();
  auto kde = makeKdePointerSettings(file);
  changes = 0;
  kde->onChanged([&] { ++changes; });
  EXPECT_EQ(kde->settingsFor(touchpad), TonnixPointerSettings{});
  const auto replaced = file + ".new";
  std::ofstream(replaced) << "[Libinput][4660][22136][Tonnix Test Touchpad]\nTapToClick=true\n";
  std::filesystem::rename(replaced, file);
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return changes == 1; }, 2000));
  EXPECT_EQ(kde->settingsFor(touchpad).tapToClick, true);
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
