#include "platform/linux/evdev_buttons.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <array>
#include <cstring>
#include <map>
#include <string>

#include "platform/linux/evdev_mouse_monitor.h"

namespace {

using Change = TonnixEvdevButtonDecoder::Change;

input_event event(int sec, std::uint16_t type, std::uint16_t code, std::int32_t value) {
  input_event made{};
  made.input_event_sec = sec;
  made.input_event_usec = 250;
  made.type = type;
  made.code = code;
  made.value = value;
  return made;
}

input_event report(int sec) {
  return event(sec, EV_SYN, SYN_REPORT, 0);
}

// The stream travels through a real pipe and is read back in pieces that
// split events, as a slow reader of a device could see it.
std::vector<Change> throughPipe(TonnixEvdevButtonDecoder& decoder,
                                const std::vector<input_event>& stream) {
  std::array<int, 2> ends{};
  EXPECT_EQ(pipe(ends.data()), 0);
  const auto bytes = stream.size() * sizeof(input_event);
  EXPECT_EQ(write(ends[1], stream.data(), bytes), static_cast<ssize_t>(bytes));
  close(ends[1]);
  std::vector<Change> changes;
  std::array<std::byte, sizeof(input_event) + 5> piece{};
  for (ssize_t count; (count = read(ends[0], piece.data(), piece.size())) > 0;) {
    for (const auto& change :
         decoder.feedBytes(std::span(piece.data(), static_cast<std::size_t>(count)))) {
      changes.push_back(change);
    }
  }
  close(ends[0]);
  return changes;
}

}  // namespace

// A mouse's recorded click with motion and the other buttons around it:
// only the primary button's frames count, stamped with the kernel's time.
TEST(EvdevButtonsTest, RecordedClickThroughAPipe) {
  TonnixEvdevButtonDecoder decoder;
  const auto changes = throughPipe(
      decoder, {event(1, EV_REL, REL_X, 3), report(1), event(2, EV_MSC, MSC_SCAN, 90001),
                event(2, EV_KEY, BTN_LEFT, 1), report(2), event(3, EV_KEY, BTN_RIGHT, 1),
                event(3, EV_REL, REL_Y, -1), report(3), event(4, EV_KEY, BTN_LEFT, 0), report(4),
                event(5, EV_KEY, BTN_RIGHT, 0), report(5)});
  const auto at = [](int sec) { return std::chrono::microseconds(sec * 1000000 + 250); };
  EXPECT_EQ(changes, (std::vector<Change>{{true, at(2)}, {false, at(4)}}));
  EXPECT_FALSE(decoder.isDown());
}

// An overflow drops the frame it cuts and the events up to the next report;
// the device's own state then tells the release that was lost.
TEST(EvdevButtonsTest, DroppedEventsAreResumedFromTheDevice) {
  TonnixEvdevButtonDecoder decoder;
  auto changes = throughPipe(
      decoder, {event(1, EV_KEY, BTN_LEFT, 1), report(1), event(2, EV_REL, REL_X, 1),
                event(2, EV_SYN, SYN_DROPPED, 0), event(2, EV_KEY, BTN_LEFT, 0), report(2)});
  EXPECT_EQ(changes.size(), 1u);
  ASSERT_TRUE(decoder.needsResync());
  EXPECT_EQ(decoder.resync(false), (Change{false, {}}));
  EXPECT_FALSE(decoder.needsResync());
  EXPECT_EQ(decoder.resync(false), std::nullopt);
}

// Left-handed: the right button is the primary one, and a primary button
// held while the setting changes is let go.
TEST(EvdevButtonsTest, LeftHandedSwapsThePrimaryButton) {
  TonnixEvdevButtonDecoder decoder;
  EXPECT_EQ(throughPipe(decoder, {event(1, EV_KEY, BTN_LEFT, 1), report(1)}).size(), 1u);
  EXPECT_EQ(decoder.setPrimaryButton(BTN_RIGHT), (Change{false, {}}));
  const auto changes = throughPipe(decoder, {event(2, EV_KEY, BTN_LEFT, 0), report(2),
                                             event(3, EV_KEY, BTN_RIGHT, 1), report(3)});
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_TRUE(changes[0].pressed);
}

TEST(EvdevButtonsTest, OnlyMiceAndTouchpadsThatAreNoKeyboards) {
  const auto isPointer = [](std::map<std::string, std::string> properties) {
    return isPointerDevice([&](const char* name) -> const char* {
      const auto found = properties.find(name);
      return found == properties.end() ? nullptr : found->second.c_str();
    });
  };
  EXPECT_TRUE(isPointer({{"ID_INPUT", "1"}, {"ID_INPUT_MOUSE", "1"}}));
  EXPECT_TRUE(isPointer({{"ID_INPUT_TOUCHPAD", "1"}, {"ID_INPUT_KEYBOARD", "0"}}));
  EXPECT_FALSE(isPointer({{"ID_INPUT_MOUSE", "1"}, {"ID_INPUT_KEYBOARD", "1"}}));
  EXPECT_FALSE(isPointer({{"ID_INPUT_KEY", "1"}, {"ID_INPUT_KEYBOARD", "1"}}));
  EXPECT_FALSE(isPointer({{"ID_INPUT_TABLET", "1"}}));
}

// What Tonnix tells the user to install is what `cmake --install` installs.
TEST(EvdevButtonsTest, TheRuleToldIsTheRuleInstalled) {
  QFile file(QStringLiteral(TONNIX_TEST_DATA_DIR "/udev/70-tonnix-pointers.rules"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QStringList rules;
  for (const auto& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
    if (!line.startsWith(u'#')) rules.append(line);
  }
  EXPECT_EQ(rules.join(u'\n') + u'\n', QString::fromUtf8(TonnixEvdevMouseMonitor::udevRule));
}

// A real device node from the kernel's uinput, where the machine has one.
TEST(EvdevButtonsTest, KernelDeviceStream) {
  const int uinput = open("/dev/uinput", O_RDWR | O_CLOEXEC);
  if (uinput < 0) GTEST_SKIP() << "no writable /dev/uinput: " << std::strerror(errno);
  libevdev* device = libevdev_new();
  libevdev_set_name(device, "Tonnix test mouse");
  libevdev_enable_event_type(device, EV_REL);
  libevdev_enable_event_code(device, EV_REL, REL_X, nullptr);
  libevdev_enable_event_code(device, EV_REL, REL_Y, nullptr);
  libevdev_enable_event_type(device, EV_KEY);
  libevdev_enable_event_code(device, EV_KEY, BTN_LEFT, nullptr);
  libevdev_enable_event_code(device, EV_KEY, BTN_RIGHT, nullptr);
  libevdev_uinput* mouse = nullptr;
  const int created = libevdev_uinput_create_from_device(device, uinput, &mouse);
  libevdev_free(device);
  if (created < 0) {
    close(uinput);
    GTEST_SKIP() << "uinput refused a device: " << std::strerror(-created);
  }
  const int node = open(libevdev_uinput_get_devnode(mouse), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (node < 0) {
    libevdev_uinput_destroy(mouse);
    close(uinput);
    GTEST_SKIP() << "cannot read the test device: " << std::strerror(errno);
  }
  for (const int value : {1, 0}) {
    libevdev_uinput_write_event(mouse, EV_KEY, BTN_LEFT, value);
    libevdev_uinput_write_event(mouse, EV_SYN, SYN_REPORT, 0);
  }
  TonnixEvdevButtonDecoder decoder;
  std::vector<bool> presses;
  std::array<std::byte, 16 * sizeof(input_event)> buffer{};
  for (int attempt = 0; attempt < 100 && presses.size() < 2; ++attempt) {
    const ssize_t count = read(node, buffer.data(), buffer.size());
    if (count <= 0) {
      usleep(10000);
      continue;
    }
    for (const auto& change :
         decoder.feedBytes(std::span(buffer.data(), static_cast<std::size_t>(count)))) {
      presses.push_back(change.pressed);
    }
  }
  close(node);
  libevdev_uinput_destroy(mouse);
  close(uinput);
  EXPECT_EQ(presses, (std::vector<bool>{true, false}));
}
