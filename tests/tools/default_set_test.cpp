// The built-in set as the build ships it: every catalogue sound present and
// playable, the bundle clean, and the sound design's promises kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
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

using tonnix_test::Sound;

double seconds(const Sound& sound) {
  return static_cast<double>(sound.samples.size()) / kSampleRate;
}

double mean(const Sound& sound) {
  return std::accumulate(sound.samples.begin(), sound.samples.end(), 0.0) /
         static_cast<double>(sound.samples.size());
}

// The catalogue row each identifier resolves to: one file per sound.
std::vector<const TonnixSetEntry*> expectedEntries() {
  std::vector<const TonnixSetEntry*> entries;
  std::set<TonnixSoundID> seen;
  for (const TonnixSetEntry& entry : allEntries()) {
    if (seen.insert(entry.soundID).second) entries.push_back(entryForSoundID(entry.soundID));
  }
  return entries;
}

// Every shipped sound by its identifier, read once.
const std::map<TonnixSoundID, std::optional<Sound>>& shippedSounds() {
  static const auto sounds = [] {
    std::map<TonnixSoundID, std::optional<Sound>> read;
    for (const TonnixSetEntry* entry : expectedEntries()) {
      read[entry->soundID] =
          tonnix_test::readSound(kBundle / "Contents" / "Resources" / entry->fileName);
    }
    return read;
  }();
  return sounds;
}

bool loops(const TonnixSetEntry& entry) {
  return entry.flags.contains(TonnixSoundFlags::loops);
}

// The power-weighted mean frequency of samples [begin, end): for a sine of
// f Hz the squared steps add up to 4 sin²(πf/rate) times its power.
double meanFrequency(const std::vector<double>& x, std::size_t begin, std::size_t end) {
  double power = 0.0;
  double stepPower = 0.0;
  for (std::size_t i = begin + 1; i < end; ++i) {
    power += x[i] * x[i];
    stepPower += (x[i] - x[i - 1]) * (x[i] - x[i - 1]);
  }
  return std::asin(std::min(1.0, std::sqrt(stepPower / power) / 2.0)) * kSampleRate /
         std::numbers::pi;
}

// Where the first half of the sound's energy ends.
std::size_t energyMidpoint(const std::vector<double>& x) {
  double total = 0.0;
  for (double sample : x) total += sample * sample;
  double sum = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sum += x[i] * x[i];
    if (sum >= total / 2.0) return i;
  }
  return x.size();
}

double rms(const std::vector<double>& x, std::size_t begin, std::size_t end) {
  double power = 0.0;
  for (std::size_t i = begin; i < end; ++i) power += x[i] * x[i];
  return std::sqrt(power / static_cast<double>(end - begin));
}

}  // namespace

TEST(DefaultSet, HoldsOneAiffForEveryCatalogueSound) {
  std::set<std::string> expected;
  for (const TonnixSetEntry* entry : expectedEntries()) expected.insert(entry->fileName);
  std::set<std::string> listed;
  for (const auto& item : fs::directory_iterator(kBundle / "Contents" / "Resources")) {
    listed.insert(item.path().filename().string());
  }
  EXPECT_EQ(listed, expected);
  EXPECT_TRUE(listed.contains("ApplicationQuit.aiff"));
  EXPECT_FALSE(listed.contains("DragTragetDrop.aiff"));

  for (const TonnixSetEntry* entry : expectedEntries()) {
    SCOPED_TRACE(entry->fileName);
    const auto& sound = shippedSounds().at(entry->soundID);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    EXPECT_EQ(sound->info.samplerate, 44100);
    EXPECT_EQ(sound->info.channels, 1);
    EXPECT_GT(sound->info.frames, 0);
  }
}

TEST(DefaultSet, OpensAsABuiltInSetWithNothingLeftOver) {
  const auto bundle = TonnixBundle::open(kBundle, true);
  ASSERT_TRUE(bundle) << bundle.error().description();
  const TonnixBundle& set = **bundle;
  EXPECT_EQ(set.metadata().identifier, "org.tonnix.tonnixset.default");
  EXPECT_EQ(set.metadata().name, "Tonnix Default");
  EXPECT_EQ(set.metadata().formatVersion, 1);
  EXPECT_TRUE(set.isBuiltIn());
  EXPECT_TRUE(set.unmatchedResourceNames().empty());
  EXPECT_TRUE(set.baseNameCollisions().empty());
  EXPECT_EQ(set.soundURLsByID().size(), 138u);
  for (const TonnixSetEntry& entry : allEntries()) {
    EXPECT_TRUE(set.containsSound(entry.soundID)) << entry.soundID.description();
  }
}

TEST(DefaultSet, LevelsStayWithinHeadroomWithoutDcOffset) {
  for (const TonnixSetEntry* entry : expectedEntries()) {
    SCOPED_TRACE(entry->fileName);
    const Sound& sound = *shippedSounds().at(entry->soundID);
    EXPECT_LE(sound.peak(), kMinusThreeDecibels);
    EXPECT_GE(sound.peak(), 0.01);  // -40 dBFS: faint sounds, but sounds
    EXPECT_LE(std::abs(mean(sound)), 0.001);
  }
}

TEST(DefaultSet, OneShotsFadeInAndOut) {
  for (const TonnixSetEntry* entry : expectedEntries()) {
    if (loops(*entry)) continue;
    SCOPED_TRACE(entry->fileName);
    const Sound& sound = *shippedSounds().at(entry->soundID);
    const double quiet = 0.02 * sound.peak();
    const std::size_t n = sound.samples.size();
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_LE(std::abs(sound.samples[i]), quiet);
      EXPECT_LE(std::abs(sound.samples[n - 1 - i]), quiet);
    }
  }
}

// Playing on from the last sample into the first must look like any other
// step of the loop: no jump, no kink, and no fade on either side.
TEST(DefaultSet, LoopsRunOnSmoothlyAtTheSeam) {
  int loopCount = 0;
  for (const TonnixSetEntry* entry : expectedEntries()) {
    if (!loops(*entry)) continue;
    ++loopCount;
    SCOPED_TRACE(entry->fileName);
    const std::vector<double>& x = shippedSounds().at(entry->soundID)->samples;
    const std::size_t n = x.size();
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

TEST(DefaultSet, ControlClicksAreShortWithPressLowerThanReleaseAndHoverFainter) {
  for (const TonnixSetEntry& entry : catalogue()) {
    if (entry.category != TonnixSoundCategory::control || loops(entry)) continue;
    SCOPED_TRACE(entry.fileName);
    const double length = seconds(*shippedSounds().at(entry.soundID));
    EXPECT_GE(length, 0.02);
    EXPECT_LE(length, 0.12);
  }

  const auto sound = [](const std::string& stem, char role) -> const Sound* {
    const auto id = TonnixSoundID::fromText(stem + role);
    const auto found = shippedSounds().find(*id);
    return found == shippedSounds().end() || !found->second ? nullptr : &*found->second;
  };
  int pairs = 0;
  for (const TonnixSetEntry& entry : catalogue()) {
    const std::string code = entry.soundID.description();
    if (entry.category != TonnixSoundCategory::control || code.back() != 'p') continue;
    const std::string stem = code.substr(0, 3);
    const Sound* press = sound(stem, 'p');
    const Sound* release = sound(stem, 'r');
    if (!release) continue;
    ++pairs;
    SCOPED_TRACE(stem);
    const auto frequency = [](const Sound* s) {
      return meanFrequency(s->samples, 0, s->samples.size());
    };
    EXPECT_LT(frequency(press), frequency(release));
    for (const Sound* hover : {sound(stem, 'e'), sound(stem, 'x')}) {
      if (!hover) continue;
      EXPECT_LT(hover->peak(), 0.5 * std::min(press->peak(), release->peak()));
    }
  }
  EXPECT_EQ(pairs, 18);
}

TEST(DefaultSet, WindowsSwishUpWhenOpeningAndDownWhenClosing) {
  const std::vector<std::pair<TonnixSoundID, TonnixSoundID>> pairs = {
      {TonnixSoundID("wopn"), TonnixSoundID("wcls")},
      {TonnixSoundID("uopn"), TonnixSoundID("ucls")},
      {TonnixSoundID("pwop"), TonnixSoundID("pwcl")},
      {TonnixSoundID("wzmo"), TonnixSoundID("wzmi")},
      {TonnixSoundID("uzmo"), TonnixSoundID("uzmi")},
      {TonnixSoundID("wcol"), TonnixSoundID("wexp")},
      {TonnixSoundID("ucol"), TonnixSoundID("uexp")}};
  // Later minus earlier mean frequency, split where half the energy is in.
  const auto rise = [](TonnixSoundID id) {
    const std::vector<double>& x = shippedSounds().at(id)->samples;
    const std::size_t middle = energyMidpoint(x);
    return meanFrequency(x, middle, x.size()) - meanFrequency(x, 0, middle);
  };
  for (const auto& [open, close] : pairs) {
    SCOPED_TRACE(open.description() + "/" + close.description());
    EXPECT_GT(rise(open), 100.0);
    EXPECT_LT(rise(close), -100.0);
  }
}
