#include "platform/linux/evdev_buttons.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev-uinput.h>
#include <unistd.h>

#include <QFile>
#include <array>
#include <map>
#include <string>

#include "platform/linux/evdev_mouse_monitor.h"

namespace {

input_event event(int sec, std::uint16_t type, std::uint16_t code, std::int32_t value = 0) {
  input_event made{};
  made.input_event_sec = sec;
  made.type = type;
  made.code = code;
  made.value = value;
  return made;
}

// Reads whatever the descriptor gives in pieces that split events, as a
// slow reader can see them; returns the presses (true) and releases.
std::vector<bool> decode(TonnixEvdevButtonDecoder& decoder, int fd) {
  std::vector<bool> changes;
  std::array<std::byte, sizeof(input_event) + 5> piece{};
  for (ssize_t count; (count = read(fd, piece.data(), piece.size())) > 0;) {
    for (const auto& change : decoder.feedBytes(std::span(piece.data(), std::size_t(count)))) {
      changes.push_back(change.pressed);
    }
  }
  return changes;
}

std::vector<bool> throughPipe(TonnixEvdevButtonDecoder& decoder,
                              const std::vector<input_event>& stream) {
  std::array<int, 2> ends{};
  EXPECT_EQ(pipe(ends.data()), 0);
  const auto bytes = stream.size() * sizeof(input_event);
  EXPECT_EQ(write(ends[1], stream.data(), bytes), ssize_t(bytes));
  close(ends[1]);
  auto changes = decode(decoder, ends[0]);
  close(ends[0]);
  return changes;
}

}  // namespace

// A recorded click among motion and the other buttons; an overflow that
// swallows the release, resumed from the device's state; the left-handed
// swap, which lets go of a held primary button.
TEST(EvdevButtonsTest, RecordedStreamsThroughAPipe) {
  TonnixEvdevButtonDecoder decoder;
  EXPECT_EQ(throughPipe(decoder, {event(1, EV_REL, REL_X, 3), event(1, EV_SYN, SYN_REPORT),
                                  event(2, EV_MSC, MSC_SCAN, 90001), event(2, EV_KEY, BTN_LEFT, 1),
                                  event(2, EV_SYN, SYN_REPORT), event(3, EV_KEY, BTN_RIGHT, 1),
                                  event(3, EV_SYN, SYN_REPORT), event(4, EV_KEY, BTN_LEFT, 0),
                                  event(4, EV_SYN, SYN_REPORT)}),
            (std::vector<bool>{true, false}));

  EXPECT_EQ(throughPipe(decoder, {event(5, EV_KEY, BTN_LEFT, 1), event(5, EV_SYN, SYN_REPORT),
                                  event(6, EV_SYN, SYN_DROPPED), event(6, EV_KEY, BTN_LEFT, 0),
                                  event(6, EV_SYN, SYN_REPORT)}),
            std::vector<bool>{true});
  ASSERT_TRUE(decoder.needsResync());
  EXPECT_FALSE(decoder.resync(false)->pressed);

  EXPECT_EQ(throughPipe(decoder, {event(7, EV_KEY, BTN_LEFT, 1), event(7, EV_SYN, SYN_REPORT)}),
            std::vector<bool>{true});
  EXPECT_FALSE(decoder.setPrimaryButton(BTN_RIGHT)->pressed);
  EXPECT_EQ(throughPipe(decoder, {event(8, EV_KEY, BTN_LEFT, 0), event(8, EV_SYN, SYN_REPORT),
                                  event(9, EV_KEY, BTN_RIGHT, 1), event(9, EV_SYN, SYN_REPORT)}),
            std::vector<bool>{true});
}

// Mice and touchpads are read, never a device that also has keys; and the
// rule Tonnix tells the user to install is the one it ships.
TEST(EvdevButtonsTest, OnlyPointersTheRuleInstalledAndWhatGrantsIt) {
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
  EXPECT_EQ(rules, QString::fromUtf8(TonnixEvdevMouseMonitor::udevRule));

  EXPECT_TRUE(
      pointerAccessAdvice("/usr/bin").endsWith(QStringLiteral("install tonnix-pointer-access.")));
  EXPECT_TRUE(pointerAccessAdvice("/home/ada/.local/bin")
                  .contains(QStringLiteral("copy data/udev/70-tonnix-pointers.rules")));
}

// The kernel's own stream, from a uinput device where the machine has one.
TEST(EvdevButtonsTest, KernelDeviceStream) {
  const int uinput = open("/dev/uinput", O_RDWR | O_CLOEXEC);
  if (uinput < 0) GTEST_SKIP() << "no writable /dev/uinput";
  libevdev* device = libevdev_new();
  libevdev_set_name(device, "Tonnix test mouse");
  for (const auto code : {BTN_LEFT, BTN_RIGHT})
    libevdev_enable_event_code(device, EV_KEY, code, {});
  for (const auto code : {REL_X, REL_Y}) libevdev_enable_event_code(device, EV_REL, code, {});
  libevdev_uinput* mouse = nullptr;
  const int created = libevdev_uinput_create_from_device(device, uinput, &mouse);
  libevdev_free(device);
  const char* path = created < 0 ? nullptr : libevdev_uinput_get_devnode(mouse);
  const int node = path ? open(path, O_RDONLY) : -1;
  if (node >= 0) {
    for (const int value : {1, 0}) {
      libevdev_uinput_write_event(mouse, EV_KEY, BTN_LEFT, value);
      libevdev_uinput_write_event(mouse, EV_SYN, SYN_REPORT, 0);
    }
    fcntl(node, F_SETFL, O_NONBLOCK);
  }
  TonnixEvdevButtonDecoder decoder;
  const auto changes = node < 0 ? std::vector<bool>{} : decode(decoder, node);
  if (node >= 0) close(node);
  if (mouse) libevdev_uinput_destroy(mouse);
  close(uinput);
  if (node < 0) GTEST_SKIP() << "uinput made no readable device";
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
}
