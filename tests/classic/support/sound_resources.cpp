#include "sound_resources.h"

#include "resource_fork_writer.h"

namespace {

void appendCommonHeader(std::vector<std::uint8_t>& out, std::uint32_t second,
                        std::uint32_t rateField, std::uint8_t encoding) {
  // Sample pointer, length or channels, rate, loop start and end.
  for (const std::uint32_t field : {0u, second, rateField, 0u, 0u}) appendU32(out, field);
  appendU8(out, encoding);
  appendU8(out, 60);  // base frequency, middle C
}

std::vector<std::uint8_t> sixtyFourByteHeader(std::uint32_t channels, std::uint32_t rateField,
                                              std::uint8_t encoding, std::uint32_t frames,
                                              const std::string& format, std::uint16_t sampleSize,
                                              const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  appendCommonHeader(out, channels, rateField, encoding);
  appendU32(out, frames);
  out.resize(40, 0);  // 80-bit rate, marker and instrument chunks
  appendText(out, format.empty() ? std::string(4, '\0') : format);
  out.resize(48, 0);
  appendU16(out, sampleSize);
  out.resize(64, 0);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

}  // namespace

std::vector<std::uint8_t> standardHeader(std::uint32_t rateField,
                                         const std::vector<std::uint8_t>& samples,
                                         std::optional<std::uint32_t> lengthField) {
  std::vector<std::uint8_t> out;
  appendCommonHeader(out, lengthField.value_or(static_cast<std::uint32_t>(samples.size())),
                     rateField, 0x00);
  out.insert(out.end(), samples.begin(), samples.end());
  return out;
}

std::vector<std::uint8_t> extendedHeader(std::uint32_t channels, std::uint32_t rateField,
                                         std::uint32_t frames, std::uint16_t sampleSize,
                                         const std::vector<std::uint8_t>& data) {
  return sixtyFourByteHeader(channels, rateField, 0xFF, frames, "", sampleSize, data);
}

std::vector<std::uint8_t> compressedHeader(std::uint32_t channels, std::uint32_t rateField,
                                           std::uint32_t frames, const std::string& format,
                                           const std::vector<std::uint8_t>& data,
                                           std::int16_t compressionID, std::uint16_t sampleSize) {
  auto out = sixtyFourByteHeader(channels, rateField, 0xFE, frames, format, 0, {});
  out.resize(56);
  appendU16(out, static_cast<std::uint16_t>(compressionID));
  out.resize(62, 0);  // packet size, synthesizer
  appendU16(out, sampleSize);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<std::uint8_t> format1Sound(const std::vector<std::vector<std::uint8_t>>& headers) {
  std::vector<std::uint8_t> out;
  // Format 1 with one modifier, the sampled synthesizer, and no init option.
  for (const std::uint32_t field : {1u, 1u, 5u, 0u, 0u}) appendU16(out, field);
  appendU16(out, static_cast<std::uint32_t>(headers.size()));
  auto offset = static_cast<std::uint32_t>(out.size() + 8 * headers.size());
  for (const auto& header : headers) {
    appendU16(out, 0x8051);  // buffer command with the data-offset flag
    appendU16(out, 0);
    appendU32(out, offset);
    offset += static_cast<std::uint32_t>(header.size());
  }
  for (const auto& header : headers) out.insert(out.end(), header.begin(), header.end());
  return out;
}

std::vector<std::uint8_t> format1Sound(const std::vector<std::uint8_t>& header) {
  return format1Sound(std::vector<std::vector<std::uint8_t>>{header});
}

std::vector<std::uint8_t> format2Sound(const std::vector<std::uint8_t>& header) {
  std::vector<std::uint8_t> out;
  // Format 2, no references, one sound command with the data-offset flag.
  for (const std::uint32_t field : {2u, 0u, 1u, 0x8050u, 0u}) appendU16(out, field);
  appendU32(out, 14);
  out.insert(out.end(), header.begin(), header.end());
  return out;
}

std::vector<std::uint8_t> soundList(
    const std::vector<std::pair<std::string, std::vector<std::int16_t>>>& entries,
    std::size_t entrySize) {
  std::vector<std::uint8_t> out;
  appendU16(out, 0);
  appendU16(out, static_cast<std::uint32_t>(entries.size()));
  for (const auto& [code, slots] : entries) {
    std::vector<std::uint8_t> entry;
    appendText(entry, code);
    entry.resize(entrySize, 0);
    for (std::size_t i = 0; i < slots.size(); ++i) {
      std::size_t at = 4 + 2 * i;
      if (entrySize == 44) at = 12 + 8 * i;
      entry[at] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(slots[i]) >> 8);
      entry[at + 1] = static_cast<std::uint8_t>(slots[i]);
    }
    out.insert(out.end(), entry.begin(), entry.end());
  }
  return out;
}

std::vector<std::uint8_t> versionResource(const std::string& shortVersion,
                                          const std::string& longVersion) {
  std::vector<std::uint8_t> out = {1, 0, 0x80, 0, 0, 0};  // 1.0 final, region 0
  appendU8(out, static_cast<std::uint32_t>(shortVersion.size()));
  appendText(out, shortVersion);
  appendU8(out, static_cast<std::uint32_t>(longVersion.size()));
  appendText(out, longVersion);
  return out;
}

std::vector<std::uint8_t> bytesOf(const std::string& text) {
  return {text.begin(), text.end()};
}
