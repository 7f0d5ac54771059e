#include "classic/sound_resource_decoder.h"

#include <gtest/gtest.h>

#include "resource_fork_writer.h"
#include "sound_resources.h"

using Samples = std::vector<std::int16_t>;

std::optional<Samples> samplesOf(const std::vector<std::uint8_t>& resource) {
  const auto sound = decodeSoundResource(resource);
  return sound ? std::optional(sound->samples) : std::nullopt;
}

// Offset-binary eight-bit samples, in format 1 or 2, at the fixed-point
// rate given; data shorter than the header promises is cut, and the last
// buffer command wins.
TEST(SoundResourceDecoder, StandardHeaderIsOffsetBinaryEightBit) {
  const auto sound =
      decodeSoundResource(format1Sound(standardHeader(kRate22050, {0x80, 0xFF, 0x00, 0x7F})));
  ASSERT_TRUE(sound);
  EXPECT_EQ(sound->samples, (Samples{0, 32512, -32768, -256}));
  EXPECT_EQ(sound->sampleRate, 22050.0);
  EXPECT_EQ(sound->channelCount, 1u);

  // 0x56EE8BA3 is the classic 22254.54 Hz.
  const auto two = decodeSoundResource(format2Sound(standardHeader(0x56EE8BA3, {0x81})));
  ASSERT_TRUE(two);
  EXPECT_EQ(two->samples, (Samples{256}));
  EXPECT_DOUBLE_EQ(two->sampleRate, 0x56EE8BA3 / 65536.0);

  const std::vector<std::uint8_t> ten(10, 0x80);
  const auto cut = decodeSoundResource(format1Sound(standardHeader(kRate22050, ten, 1000)));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->samples.size(), 10u);
  EXPECT_EQ(samplesOf(format1Sound(
                {standardHeader(kRate22050, {0x00}), standardHeader(kRate22050, {0xFF, 0xFF})})),
            (Samples{32512, 32512}));
}

TEST(SoundResourceDecoder, OnlyCommandsThatFitAreConsidered) {
  auto resource = format1Sound(standardHeader(kRate22050, {0x80, 0x80}));
  resource[10] = resource[11] = 0xFF;
  const auto sound = decodeSoundResource(resource);
  ASSERT_TRUE(sound);
  EXPECT_EQ(sound->samples.size(), 2u);

  std::vector<std::uint8_t> onlyCommands = {0, 2, 0, 0, 0, 1, 0x80, 0x51, 0, 0, 0, 0};
  EXPECT_FALSE(decodeSoundResource(onlyCommands));
}

TEST(SoundResourceDecoder, ExtendedSixteenBitInterleavesChannels) {
  // Two channels of two frames reach the written file whole (see the import
  // tests); no channels count as one.
  const std::vector<std::uint8_t> data = {0x00, 0x01, 0xFF, 0xFF, 0x80, 0x00, 0x7F, 0xFF};
  const auto zeroChannels =
      decodeSoundResource(format1Sound(extendedHeader(0, kRate22050, 4, 16, data)));
  ASSERT_TRUE(zeroChannels);
  EXPECT_EQ(zeroChannels->channelCount, 1u);
  EXPECT_EQ(zeroChannels->samples.size(), 4u);
}

TEST(SoundResourceDecoder, ExtendedEightBitAndUnsetSampleSize) {
  EXPECT_EQ(samplesOf(format1Sound(extendedHeader(1, kRate22050, 3, 8, {0x80, 0x00, 0xFF}))),
            (Samples{0, -32768, 32512}));

  // Size 0: 16-bit when the data holds two bytes per sample, else 8-bit.
  EXPECT_EQ(samplesOf(format1Sound(extendedHeader(1, kRate22050, 2, 0, {0x12, 0x34, 0, 1}))),
            (Samples{0x1234, 1}));
  EXPECT_EQ(samplesOf(format1Sound(extendedHeader(1, kRate22050, 4, 0, {0x80, 0x80, 0x80}))),
            (Samples{0, 0, 0}));

  EXPECT_FALSE(decodeSoundResource(format1Sound(extendedHeader(1, kRate22050, 2, 24, {1, 2, 3}))));
}

// Formats no decoder knows yield nothing; the codecs themselves are checked
// against FFmpeg in the codec tests.
TEST(SoundResourceDecoder, CompressedMuLawAndUnknownFormats) {
  EXPECT_EQ(
      samplesOf(format1Sound(compressedHeader(1, kRate22050, 4, "ulaw", {0x00, 0xFF, 0x80, 0x7F}))),
      (Samples{-32124, 0, 32124, 0}));
  for (const auto* format : {"ZZZZ", "ULAW", ""}) {
    EXPECT_FALSE(
        decodeSoundResource(format1Sound(compressedHeader(1, kRate22050, 2, format, {1, 2}))))
        << format;
  }
}

TEST(SoundResourceDecoder, MalformedInputYieldsNothing) {
  auto unknownEncoding = format1Sound(standardHeader(kRate22050, {0x80}));
  unknownEncoding[20 + 20] = 0x01;
  EXPECT_FALSE(decodeSoundResource(unknownEncoding));
  EXPECT_FALSE(decodeSoundResource({}));
  EXPECT_FALSE(decodeSoundResource(std::vector<std::uint8_t>{0}));
  EXPECT_FALSE(decodeSoundResource(std::vector<std::uint8_t>{0, 3, 0, 0, 0, 0}));  // format 3
  EXPECT_FALSE(decodeSoundResource(std::vector<std::uint8_t>{0, 2, 0, 0, 0, 0}));  // no commands
  EXPECT_FALSE(decodeSoundResource(format1Sound(standardHeader(kRate22050, {}))));
  EXPECT_FALSE(decodeSoundResource(format1Sound(standardHeader(0xFFFF, {0x80}))));  // < 1 Hz
  // More channels than samples: not one whole frame to write.
  EXPECT_FALSE(decodeSoundResource(
      format1Sound(extendedHeader(0xFFFFFFFF, kRate22050, 0xFFFFFFFF, 16, {1, 2, 3, 4}))));
  EXPECT_FALSE(decodeSoundResource(format1Sound(extendedHeader(3, kRate22050, 9, 8, {1, 2}))));
}

// A fork of tens of megabytes whose header promises billions of MACE 6:1
// packets would decode into most of a gigabyte: only the first 32 Mi
// samples are decoded.
TEST(SoundResourceDecoder, DecodesAtMost32MiSamples) {
  const std::vector<std::uint8_t> body(6 << 20, 0x5A);
  const auto decoded =
      decodeSoundResource(format1Sound(compressedHeader(1, kRate22050, 0xFFFFFFFF, "MAC6", body)));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->samples.size(), (std::size_t{32} << 20) / 6 * 6) << "whole packets";
}
