#include "platform/linux/evdev_buttons.h"

#include <cstring>

namespace {

std::chrono::microseconds timeOf(const input_event& event) {
  return std::chrono::seconds(event.input_event_sec) +
         std::chrono::microseconds(event.input_event_usec);
}

}  // namespace

std::optional<TonnixEvdevButtonDecoder::Change> TonnixEvdevButtonDecoder::setPrimaryButton(
    std::uint16_t code) {
  if (code == primaryButton_) return std::nullopt;
  primaryButton_ = code;
  pending_.reset();
  return settle(false, std::chrono::microseconds(0));
}

std::optional<TonnixEvdevButtonDecoder::Change> TonnixEvdevButtonDecoder::feed(
    const input_event& event) {
  if (event.type == EV_SYN && event.code == SYN_DROPPED) {
    dropping_ = true;
    pending_.reset();
    return std::nullopt;
  }
  if (event.type == EV_SYN && event.code == SYN_REPORT) {
    if (dropping_) {
      dropping_ = false;
      needsResync_ = true;
      return std::nullopt;
    }
    const auto down = pending_;
    pending_.reset();
    if (!down) return std::nullopt;
    return settle(*down, timeOf(event));
  }
  // Value 2 is the keyboard's auto-repeat, which buttons do not have.
  if (!dropping_ && event.type == EV_KEY && event.code == primaryButton_ && event.value != 2) {
    pending_ = event.value != 0;
  }
  return std::nullopt;
}

std::vector<TonnixEvdevButtonDecoder::Change> TonnixEvdevButtonDecoder::feedBytes(
    std::span<const std::byte> bytes) {
  partial_.insert(partial_.end(), bytes.begin(), bytes.end());
  std::vector<Change> changes;
  std::size_t offset = 0;
  for (; partial_.size() - offset >= sizeof(input_event); offset += sizeof(input_event)) {
    input_event event{};
    std::memcpy(&event, partial_.data() + offset, sizeof event);
    if (const auto change = feed(event)) changes.push_back(*change);
  }
  partial_.erase(partial_.begin(), partial_.begin() + static_cast<std::ptrdiff_t>(offset));
  return changes;
}

std::optional<TonnixEvdevButtonDecoder::Change> TonnixEvdevButtonDecoder::resync(bool isDown) {
  needsResync_ = false;
  return settle(isDown, std::chrono::microseconds(0));
}

std::optional<TonnixEvdevButtonDecoder::Change> TonnixEvdevButtonDecoder::settle(
    bool down, std::chrono::microseconds time) {
  if (down == isDown_) return std::nullopt;
  isDown_ = down;
  return Change{down, time};
}
