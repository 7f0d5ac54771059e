// Every codec of compressed 'snd ' headers against FFmpeg's decoder of the
// same body wrapped in an AIFF-C file: a reference we did not write.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numeric>
#include <random>

#include "aiff_file.h"
#include "classic/sound_resource_decoder.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

namespace {

struct Case {
  std::string format;
  std::uint32_t channels;
  std::uint32_t units;  // the header's frame count: packets for ima4 and MACE
  Bytes body;
  std::uint16_t sampleSize = 16;
};

Bytes randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

// Packets with valid step indexes; the quiet ones keep step 0 and a small
// predictor, so each packet's header agrees with where the last one ended.
Bytes ima4Packets(std::size_t count, bool quiet, unsigned seed) {
  Bytes bytes = randomBytes(34 * count, seed);
  for (std::size_t at = 0; at < bytes.size(); at += 34) {
    bytes[at + 1] = static_cast<std::uint8_t>((bytes[at + 1] & 0x80) | bytes[at + 1] % 89);
    if (!quiet) continue;
    bytes[at] = bytes[at + 1] = 0;
    for (std::size_t i = 2; i < 34; ++i) bytes[at + i] &= 0x11;
  }
  return bytes;
}

// Halfway values first, where rounding shows, then a sine that clips.
template <typename Float, typename Bits>
Bytes floatSignal(std::size_t count) {
  const Float halfways[] = {0.5, 1.5, -0.5, -2.5, 32767.5, -32768.5};
  Bytes bytes;
  for (std::size_t i = 0; i < count; ++i) {
    const auto bits =
        std::bit_cast<Bits>(i < 6 ? halfways[i] / 32768 : Float(1.2 * std::sin(0.01 * i)));
    for (int shift = 8 * sizeof(Bits) - 8; shift >= 0; shift -= 8)
      bytes.push_back(std::uint8_t(bits >> shift));
  }
  return bytes;
}

std::vector<Case> cases() {
  Bytes everyByte(256);
  std::iota(everyByte.begin(), everyByte.end(), 0);
  return {
      {"ima4", 1, 40, ima4Packets(40, false, 1)},
      {"ima4", 2, 30, ima4Packets(60, true, 2)},
      {"MAC3", 1, 500, randomBytes(1000, 3)},
      {"MAC3", 2, 500, randomBytes(2000, 4)},
      {"MAC6", 1, 1000, randomBytes(1000, 5)},
      {"MAC6", 2, 500, randomBytes(1000, 6)},
      {"alaw", 1, 256, everyByte},
      {"ulaw", 1, 256, everyByte},
      {"raw ", 2, 300, randomBytes(600, 7), 8},
      {"twos", 2, 300, randomBytes(1200, 8)},
      {"twos", 1, 300, randomBytes(300, 9), 8},
      {"sowt", 2, 300, randomBytes(1200, 10)},
      {"in24", 2, 300, randomBytes(1800, 11), 24},
      {"in32", 1, 300, randomBytes(1200, 12), 32},
      {"fl32", 1, 2000, floatSignal<float, std::uint32_t>(2000), 32},
      {"fl64", 2, 1000, floatSignal<double, std::uint64_t>(2000), 64},
  };
}

std::optional<TonnixDecodedSound> decode(const Case& c, const Bytes& body, std::uint32_t units,
                                         std::int16_t compressionID = 0) {
  return decodeSoundResource(format1Sound(compressedHeader(c.channels, kRate22050, units, c.format,
                                                           body, compressionID, c.sampleSize)));
}

// FFmpeg's decoding of each file into 16-bit samples, all in one run of
// ffmpeg, whose start-up costs far more than the decoding; nothing when it
// failed.
std::optional<std::vector<Samples>> ffmpegSamples(const std::vector<std::string>& files) {
  std::string command = "ffmpeg -nostdin -v error";
  for (const auto& file : files) command += " -i '" + file + "'";
  for (std::size_t index = 0; index < files.size(); ++index) {
    command += " -map " + std::to_string(index) + ":a -f s16le -acodec pcm_s16le '" + files[index] +
               ".raw'";
  }
  if (std::system(command.c_str()) != 0) return std::nullopt;
  std::vector<Samples> decoded;
  for (const auto& file : files) {
    std::ifstream raw(file + ".raw", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(raw), {}};
    Samples& samples = decoded.emplace_back(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  }
  return decoded;
}

}  // namespace

TEST(SoundCodecs, DecodeAsFfmpegDoes) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps --tests installs it)";
  }
  const QTemporaryDir dir;
  const auto all = cases();
  std::vector<std::string> files;
  for (const auto& c : all) {
    files.push_back(dir.filePath(QString::number(files.size()) + ".aifc").toStdString());
    writeBytes(files.back(), aiffcFile(c.format, c.channels, c.units, c.sampleSize, c.body));
  }
  const auto reference = ffmpegSamples(files);
  ASSERT_TRUE(reference);
  for (std::size_t index = 0; index < all.size(); ++index) {
    const auto& c = all[index];
    SCOPED_TRACE(c.format + " x" + std::to_string(c.channels));
    const auto sound = decode(c, c.body, c.units);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->channelCount, c.channels);
    EXPECT_EQ(sound->samples, (*reference)[index]);
  }
}

// A body cut short yields its whole packets or frames, the same ones; a
// header count smaller than the body bounds the read. An empty format with
// compression ID 3 or 4 names MACE.
TEST(SoundCodecs, ShortBodiesSmallCountsAndMaceByCompressionID) {
  for (const auto& c : cases()) {
    SCOPED_TRACE(c.format + " x" + std::to_string(c.channels));
    const auto full = decode(c, c.body, c.units);
    ASSERT_TRUE(full);
    // A group is one packet or frame of every channel.
    const std::size_t groupBytes = c.body.size() / c.units;
    const std::size_t groupSamples = full->samples.size() / c.units;
    const Bytes cut(c.body.begin(),
                    c.body.begin() + std::ptrdiff_t(c.body.size() / 2 + groupBytes / 2 + 1));
    for (const auto& [body, units, groups] :
         {std::tuple{cut, c.units, cut.size() / groupBytes}, {c.body, 1u, std::size_t{1}}}) {
      const auto sound = decode(c, body, units);
      ASSERT_TRUE(sound);
      ASSERT_EQ(sound->samples.size(), groups * groupSamples);
      EXPECT_TRUE(std::equal(sound->samples.begin(), sound->samples.end(), full->samples.begin()));
    }
    EXPECT_FALSE(
        decode(c, Bytes(c.body.begin(), c.body.begin() + std::ptrdiff_t(groupBytes) - 1), c.units));
    if (c.format.starts_with("MAC")) {
      EXPECT_EQ(
          decode({"", c.channels, c.units, c.body}, c.body, c.units, c.format == "MAC3" ? 3 : 4),
          full);
    }
  }
}
