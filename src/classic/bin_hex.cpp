#include "classic/bin_hex.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "classic/crc_ccitt.h"

namespace {

constexpr std::string_view kAlphabet =
    "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";
constexpr std::string_view kBanner = "(This file must be converted with BinHex";
constexpr std::uint8_t kRunMarker = 0x90;
// Resource forks are far smaller; a declared length beyond this is hostile.
constexpr std::uint32_t kLargestFork = 64u << 20;

constexpr std::array<std::int8_t, 256> makeDigits() {
  std::array<std::int8_t, 256> digits{};
  digits.fill(-1);
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    digits[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  }
  return digits;
}

constexpr auto kDigits = makeDigits();

bool isLineSpace(std::uint8_t c) {
  return c == '\r' || c == '\n' || c == '\t' || c == ' ';
}

// Decodes the text between the colons one byte at a time, undoing the
// six-bit packing and then the run-length escape. A character outside the
// alphabet, the closing colon or the end of the text ends the stream.
class BinHexStream {
 public:
  BinHexStream(std::span<const std::uint8_t> text, std::size_t start) : text_(text), pos_(start) {}

  std::optional<std::uint8_t> next() {
    if (repeats_ > 0) {
      --repeats_;
      return last_;
    }
    while (true) {
      const auto byte = nextPacked();
      if (!byte) return std::nullopt;
      if (*byte != kRunMarker) return remember(*byte);
      const auto count = nextPacked();
      if (!count) return std::nullopt;
      if (*count == 0) return remember(kRunMarker);  // an escaped literal 0x90
      if (!haveLast_) return std::nullopt;
      if (*count == 1) continue;  // a run of one adds nothing
      // The run's length includes the copy already given out.
      repeats_ = *count - 2u;
      return last_;
    }
  }

  bool read(std::span<std::uint8_t> into) {
    for (auto& byte : into) {
      const auto value = next();
      if (!value) return false;
      byte = *value;
    }
    return true;
  }

 private:
  std::uint8_t remember(std::uint8_t byte) {
    last_ = byte;
    haveLast_ = true;
    return byte;
  }

  std::optional<std::uint8_t> nextPacked() {
    while (bitCount_ < 8) {
      const auto digit = nextDigit();
      if (!digit) return std::nullopt;
      bits_ = (bits_ << 6 | *digit) & 0xFFFFFF;
      bitCount_ += 6;
    }
    bitCount_ -= 8;
    return static_cast<std::uint8_t>(bits_ >> bitCount_);
  }

  std::optional<std::uint32_t> nextDigit() {
    while (pos_ < text_.size() && isLineSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return std::nullopt;
    const auto digit = kDigits[text_[pos_]];
    if (digit < 0) return std::nullopt;
    ++pos_;
    return static_cast<std::uint32_t>(digit);
  }

  std::span<const std::uint8_t> text_;
  std::size_t pos_;
  std::uint32_t bits_ = 0;
  int bitCount_ = 0;
  std::uint8_t last_ = 0;
  bool haveLast_ = false;
  unsigned repeats_ = 0;
};

// Where the encoded data starts: just after the first colon that follows
// the banner line, or the file's first character when it is a colon.
std::optional<std::size_t> dataStart(std::span<const std::uint8_t> file) {
  const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
  const auto banner = text.find(kBanner);
  if (banner != std::string_view::npos) {
    const auto colon = text.find(':', banner + kBanner.size());
    if (colon == std::string_view::npos) return std::nullopt;
    return colon + 1;
  }
  const auto first = std::find_if_not(file.begin(), file.end(), isLineSpace);
  if (first == file.end() || *first != ':') return std::nullopt;
  return static_cast<std::size_t>(first - file.begin()) + 1;
}

std::uint32_t bigEndian32(std::span<const std::uint8_t, 4> bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
         std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// Reads a fork's stored CRC and compares it with the CRC of its bytes.
bool checksumMatches(BinHexStream& stream, std::uint16_t computed) {
  std::array<std::uint8_t, 2> stored{};
  return stream.read(stored) && (stored[0] << 8 | stored[1]) == computed;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> binHexResourceFork(
    std::span<const std::uint8_t> fileBytes) {
  const auto start = dataStart(fileBytes);
  if (!start) return std::nullopt;
  BinHexStream stream(fileBytes, *start);

  // Header: name length, name, version, type, creator, flags, data and
  // resource fork lengths; the CRC covers all of it.
  std::vector<std::uint8_t> header(1);
  if (!stream.read(header)) return std::nullopt;
  header.resize(1 + header[0] + 1 + 4 + 4 + 2 + 4 + 4);
  if (!stream.read(std::span(header).subspan(1))) return std::nullopt;
  if (!checksumMatches(stream, crcCcitt(header))) return std::nullopt;
  const auto lengths = std::span(header).last<8>();
  const std::uint32_t dataLength = bigEndian32(lengths.first<4>());
  const std::uint32_t resourceLength = bigEndian32(lengths.last<4>());
  // The data fork is read byte by byte only to check it, so a huge declared
  // length would keep a thread busy for nothing.
  if (resourceLength == 0 || resourceLength > kLargestFork || dataLength > kLargestFork) {
    return std::nullopt;
  }

  // The data fork is not needed, only checked.
  std::uint16_t dataCrc = 0;
  for (std::uint32_t i = 0; i < dataLength; ++i) {
    const auto byte = stream.next();
    if (!byte) return std::nullopt;
    dataCrc = crcCcitt(std::span(&*byte, 1), dataCrc);
  }
  if (!checksumMatches(stream, dataCrc)) return std::nullopt;

  std::vector<std::uint8_t> fork;
  fork.reserve(std::min<std::size_t>(resourceLength, fileBytes.size()));
  for (std::uint32_t i = 0; i < resourceLength; ++i) {
    const auto byte = stream.next();
    if (!byte) return std::nullopt;
    fork.push_back(*byte);
  }
  if (!checksumMatches(stream, crcCcitt(fork))) return std::nullopt;
  return fork;
}
