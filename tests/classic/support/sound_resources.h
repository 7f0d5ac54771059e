#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Builders of the resources a classic sound set holds, field by field.

constexpr std::uint32_t kRate22050 = 0x56220000;  // 22050 Hz in 16.16 fixed point

// Sampled-sound headers (the part a sound or buffer command points at).
// The length field is the number of samples unless given.
std::vector<std::uint8_t> standardHeader(std::uint32_t rateField,
                                         const std::vector<std::uint8_t>& samples,
                                         std::optional<std::uint32_t> lengthField = std::nullopt);
std::vector<std::uint8_t> extendedHeader(std::uint32_t channels, std::uint32_t rateField,
                                         std::uint32_t frames, std::uint16_t sampleSize,
                                         const std::vector<std::uint8_t>& data);
// `frames` counts packets for the formats that pack several frames.
std::vector<std::uint8_t> compressedHeader(std::uint32_t channels, std::uint32_t rateField,
                                           std::uint32_t frames, const std::string& format,
                                           const std::vector<std::uint8_t>& data,
                                           std::int16_t compressionID = 0,
                                           std::uint16_t sampleSize = 16);

// A format 1 'snd ' resource with one modifier and one buffer command per
// header, each pointing at its header; the headers follow the commands.
std::vector<std::uint8_t> format1Sound(const std::vector<std::vector<std::uint8_t>>& headers);
std::vector<std::uint8_t> format1Sound(const std::vector<std::uint8_t>& header);
// A format 2 'snd ' resource with one sound command.
std::vector<std::uint8_t> format2Sound(const std::vector<std::uint8_t>& header);

// A 'snd#' sound list whose entries are `entrySize` bytes: 20 (three slots
// at +4), 44 (four slots at +12, +20, +28, +36) or any other size (slots at
// every even offset from +4).
std::vector<std::uint8_t> soundList(
    const std::vector<std::pair<std::string, std::vector<std::int16_t>>>& entries,
    std::size_t entrySize);

// A 'vers' resource with the two Pascal strings.
std::vector<std::uint8_t> versionResource(const std::string& shortVersion,
                                          const std::string& longVersion);

std::vector<std::uint8_t> bytesOf(const std::string& text);
