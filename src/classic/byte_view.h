#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Bounds-checked big-endian reads over untrusted bytes. Every read names an
// absolute offset and answers nothing when any byte of it lies outside, so
// parsers never compute a pointer past the end.
class TonnixByteView {
 public:
  TonnixByteView() = default;
  explicit TonnixByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  // True when `length` bytes starting at `offset` lie wholly inside.
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::optional<std::uint8_t> u8(std::uint64_t offset) const {
    if (!contains(offset, 1)) return std::nullopt;
    return bytes_[offset];
  }
  std::optional<std::uint16_t> u16(std::uint64_t offset) const {
    if (!contains(offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(bytes_[offset] << 8 | bytes_[offset + 1]);
  }
  std::optional<std::uint32_t> u24(std::uint64_t offset) const {
    if (!contains(offset, 3)) return std::nullopt;
    return std::uint32_t{bytes_[offset]} << 16 | std::uint32_t{bytes_[offset + 1]} << 8 |
           std::uint32_t{bytes_[offset + 2]};
  }
  std::optional<std::uint32_t> u32(std::uint64_t offset) const {
    if (!contains(offset, 4)) return std::nullopt;
    return std::uint32_t{bytes_[offset]} << 24 | std::uint32_t{bytes_[offset + 1]} << 16 |
           std::uint32_t{bytes_[offset + 2]} << 8 | std::uint32_t{bytes_[offset + 3]};
  }
  std::optional<std::span<const std::uint8_t>> slice(std::uint64_t offset,
                                                     std::uint64_t length) const {
    if (!contains(offset, length)) return std::nullopt;
    return bytes_.subspan(offset, length);
  }

 private:
  std::span<const std::uint8_t> bytes_;
};
