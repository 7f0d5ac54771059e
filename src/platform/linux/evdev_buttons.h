#pragma once

#include <linux/input.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The primary button of one pointer device, decoded from its stream of
// kernel input events (what read() gives on /dev/input/event*), with no
// I/O of its own so that recorded streams can be fed to it through a pipe.
//
// The kernel sends a device's changes in frames closed by SYN_REPORT; a
// button change counts once its frame is complete. When the kernel's buffer
// overflowed it says SYN_DROPPED: the events up to the next SYN_REPORT are
// incomplete and dropped, and the caller reads the button's state from the
// device and hands it to resync(), so that a release lost in the overflow
// is still told.
class TonnixEvdevButtonDecoder {
 public:
  struct Change {
    bool pressed = false;
    // The kernel's time stamp of the frame.
    std::chrono::microseconds time{0};
    friend bool operator==(const Change&, const Change&) = default;
  };

  explicit TonnixEvdevButtonDecoder(std::uint16_t primaryButton = BTN_LEFT)
      : primaryButton_(primaryButton) {}

  // The left-handed setting swaps the primary button; a button held
  // during the swap is let go.
  std::optional<Change> setPrimaryButton(std::uint16_t code);
  std::uint16_t primaryButton() const { return primaryButton_; }

  // Takes one event; a change comes out at the SYN_REPORT closing its frame.
  std::optional<Change> feed(const input_event& event);
  // Takes bytes as a pipe or the device gives them, keeping an incomplete
  // event for the next call.
  std::vector<Change> feedBytes(std::span<const std::byte> bytes);

  // A dropped stream has been resumed: the state must be read from the device.
  bool needsResync() const { return needsResync_; }
  // The device's state of the primary button after a drop.
  std::optional<Change> resync(bool isDown);
  bool isDown() const { return isDown_; }

 private:
  std::optional<Change> settle(bool down, std::chrono::microseconds time);

  std::uint16_t primaryButton_;
  bool isDown_ = false;
  std::optional<bool> pending_;
  bool dropping_ = false;
  bool needsResync_ = false;
  std::vector<std::byte> partial_;
};

// Whether udev's properties make the device one Tonnix reads: a mouse or a
// touchpad, never anything that also has keys (the udev rule grants no
// such device, so opening it would only fail). The lookup answers a
// property's value, or null when the device has none.
template <typename Lookup>
bool isPointerDevice(Lookup property) {
  const auto set = [&](const char* name) {
    const char* value = property(name);
    return value && value[0] == '1';
  };
  return (set("ID_INPUT_MOUSE") || set("ID_INPUT_TOUCHPAD")) && !set("ID_INPUT_KEYBOARD") &&
         !set("ID_INPUT_KEY");
}
