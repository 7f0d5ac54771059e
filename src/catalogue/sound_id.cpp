#include "catalogue/sound_id.h"

std::optional<TonnixSoundID> TonnixSoundID::fromText(std::string_view text) {
  if (text.size() != 4) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) value = value << 8 | static_cast<unsigned char>(c);
  return TonnixSoundID(value);
}

std::string TonnixSoundID::description() const {
  std::string text(4, '?');
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<unsigned char>(rawValue >> (24 - 8 * i));
    if (byte >= 0x20 && byte <= 0x7E) text[i] = static_cast<char>(byte);
  }
  return text;
}
