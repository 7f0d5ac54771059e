// The built-in set as the build ships it: every catalogue sound present and
// playable, the bundle clean, and no sound that clips, clicks or jumps.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "library/bundle.h"
#include "sound_file.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBundle = TONNIX_DEFAULT_SET_DIR;
constexpr double kSampleRate = 44100.0;
constexpr double kMinusThreeDecibels = 0.70795;

// The catalogue row each identifier resolves to: one file per sound.
std::vector<const TonnixSetEntry*> expectedEntries() {
  std::vector<const TonnixSetEntry*> entries;
  std::set<TonnixSoundID> seen;
  for (const TonnixSetEntry& entry : allEntries()) {
    if (seen.insert(entry.soundID).second) entries.push_back(entryForSoundID(entry.soundID));
  }
  return entries;
}

double rms(const std::vector<double>& x, std::size_t begin, std::size_t end) {
  double power = 0.0;
  for (std::size_t i = begin; i < end; ++i) power += x[i] * x[i];
  return std::sqrt(power / static_cast<double>(end - begin));
}

}  // namespace

TEST(DefaultSet, OpensAsABuiltInSetWithOneAiffForEveryCatalogueSound) {
  const auto bundle = TonnixBundle::open(kBundle, true);
  ASSERT_TRUE(bundle) << bundle.error().description();
  const TonnixBundle& set = **bundle;
  EXPECT_EQ(
      std::tuple(set.metadata().identifier, set.metadata().name, set.metadata().formatVersion),
      std::tuple(std::string("org.tonnix.tonnixset.default"), std::string("Tonnix Default"), 1));
  EXPECT_TRUE(set.isBuiltIn());
  EXPECT_TRUE(set.unmatchedResourceNames().empty());
  EXPECT_TRUE(set.baseNameCollisions().empty());
  EXPECT_EQ(set.soundURLsByID().size(), 138u);

  std::set<std::string> expected;
  for (const TonnixSetEntry* entry : expectedEntries()) expected.insert(entry->fileName);
  std::set<std::string> listed;
  for (const auto& item : fs::directory_iterator(kBundle / "Contents" / "Resources"))
    listed.insert(item.path().filename().string());
  EXPECT_EQ(listed, expected);
}

// Within headroom and without DC offset; one-shots fade in and out, and a
// loop played on from its last sample into its first looks like any other
// step of it: no jump, no kink, and no fade on either side.
TEST(DefaultSet, SoundsNeitherClipNorClick) {
  int loopCount = 0;
  for (const TonnixSetEntry* entry : expectedEntries()) {
    SCOPED_TRACE(entry->fileName);
    const auto sound = tonnix_test::readSound(kBundle / "Contents" / "Resources" / entry->fileName);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_EQ(sound->info.samplerate, 44100);
    EXPECT_EQ(sound->info.channels, 1);
    const std::vector<double>& x = sound->samples;
    const std::size_t n = x.size();
    ASSERT_GT(n, 2u);
    EXPECT_LE(sound->peak(), kMinusThreeDecibels);
    EXPECT_GE(sound->peak(), 0.01);  // -40 dBFS: faint sounds, but sounds
    EXPECT_LE(std::abs(std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(n)), 0.001);

    if (!entry->flags.contains(TonnixSoundFlags::loops)) {
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_LE(std::abs(x[i]), 0.02 * sound->peak());
        EXPECT_LE(std::abs(x[n - 1 - i]), 0.02 * sound->peak());
      }
      continue;
    }
    ++loopCount;
    EXPECT_GE(static_cast<double>(n) / kSampleRate, 0.5);
    double largestStep = 0.0;
    double largestBend = 0.0;
    for (std::size_t i = 2; i < n; ++i) {
      largestStep = std::max(largestStep, std::abs(x[i] - x[i - 1]));
      largestBend = std::max(largestBend, std::abs(x[i] - 2.0 * x[i - 1] + x[i - 2]));
    }
    EXPECT_LE(std::abs(x[0] - x[n - 1]), largestStep);
    EXPECT_LE(std::abs(x[0] - 2.0 * x[n - 1] + x[n - 2]), largestBend);
    EXPECT_LE(std::abs(x[1] - 2.0 * x[0] + x[n - 1]), largestBend);
    const std::size_t edge = static_cast<std::size_t>(0.01 * kSampleRate);
    const double ratio = rms(x, 0, edge) / rms(x, n - edge, n);
    EXPECT_GT(ratio, 0.5);
    EXPECT_LT(ratio, 2.0);
  }
  EXPECT_EQ(loopCount, 14);
}
