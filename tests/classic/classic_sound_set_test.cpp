#include "classic/classic_sound_set.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>

#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace {

// A fork of the resources added, as the set reader gets it from a file.
struct Resources : TestResourceForkWriter {
  Resources& sound(std::int16_t id, std::optional<std::string> name = std::nullopt) {
    add("snd ", id, {1, 2, 3}, std::move(name));
    return *this;
  }
  TonnixClassicSoundSet read(std::string name = "Set") const {
    return TonnixClassicSoundSet::read(
        TonnixResourceForkProvider(TonnixResourceFork::parse(bytes()).value()), std::move(name));
  }
};

using Mapping = std::map<TonnixSoundID, std::int16_t>;

Mapping mappingOf(const Resources& resources) {
  return resources.read().resourceIDsBySoundID;
}

}  // namespace

TEST(SoundList, EntrySizesPlaceTheSlotsAndMalformedListsGiveNoEntries) {
  const auto twenty = parseSoundList(soundList({{"btnp", {5, 0, 7}}}, 20));
  ASSERT_EQ(twenty.size(), 1u);
  EXPECT_EQ(twenty[0].soundID, TonnixSoundID("btnp"));
  EXPECT_EQ(twenty[0].slotIDs, (std::vector<std::optional<std::int16_t>>{5, std::nullopt, 7}));

  const auto fortyFour = parseSoundList(soundList({{"wmov", {1, 2, 3, 4}}}, 44));
  EXPECT_EQ(fortyFour.at(0).slotIDs, (std::vector<std::optional<std::int16_t>>{1, 2, 3, 4}));

  // Any other size: a slot at every even offset from +4; an odd size's last
  // slot has one byte past the data and is absent.
  const auto odd = parseSoundList(soundList({{"mnuo", {9, -2}}}, 9));
  EXPECT_EQ(odd.at(0).slotIDs, (std::vector<std::optional<std::int16_t>>{9, -2, std::nullopt}));

  EXPECT_TRUE(parseSoundList(std::vector<std::uint8_t>{0, 0, 0}).empty());
  EXPECT_TRUE(
      parseSoundList(std::vector<std::uint8_t>{0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}).empty());
  EXPECT_TRUE(
      parseSoundList(std::vector<std::uint8_t>{0, 0, 0, 2, 1, 2, 3, 4, 5, 6, 7, 8}).empty());
}

TEST(ClassicSoundSet, LoopingSoundsPreferSlotsOneAndTwo) {
  Resources resources;
  resources.sound(5).sound(7).sound(9);
  resources.add("snd#", 128, soundList({{"wmov", {5, 6, 7}}, {"btnp", {0, 9}}}, 20));
  const Mapping expected = {{TonnixSoundID("btnp"), 9}, {TonnixSoundID("wmov"), 7}};
  EXPECT_EQ(mappingOf(resources), expected);

  resources.add("snd ", 2, {});
  const auto set = resources.read();
  EXPECT_EQ(set.soundBodies.size(), 3u);
  EXPECT_FALSE(set.soundBodies.contains(2));
}

TEST(ClassicSoundSet, FirstSoundListToNameAnIdentifierWins) {
  Resources resources;
  resources.sound(1).sound(2).sound(3);
  resources.add("snd#", 128, soundList({{"mnuo", {1}}, {"zzzz", {3}}}, 20));
  resources.add("snd#", 129, soundList({{"mnuo", {2}}, {"mnuc", {2}}}, 20));
  // Identifiers the catalogue lacks are mapped too; the importer skips them.
  const Mapping expected = {
      {TonnixSoundID("mnuo"), 1}, {TonnixSoundID("mnuc"), 2}, {TonnixSoundID("zzzz"), 3}};
  EXPECT_EQ(mappingOf(resources), expected);
}

TEST(ClassicSoundSet, SoundIDResourcesAreTheSecondSource) {
  Resources resources;
  resources.sound(128).sound(129, "wcle");
  resources.add("sdid", 128, bytesOf("btnp"));
  resources.add("sdid", 130, bytesOf("btne"));  // no sound 130
  resources.add("sdid", 129, bytesOf("ab"));    // too short
  EXPECT_EQ(mappingOf(resources), (Mapping{{TonnixSoundID("btnp"), 128}}));

  // A sound list that maps nothing leaves the way open to the next source.
  resources.add("snd#", 1, soundList({{"mnuo", {77}}}, 20));
  EXPECT_EQ(mappingOf(resources), (Mapping{{TonnixSoundID("btnp"), 128}}));
}

TEST(ClassicSoundSet, NamesAreTheLastSource) {
  Resources resources;
  resources.sound(1, "wcle / Window Close Enter").sound(2, "ab").sound(3, "  Note / mnuo ");
  resources.sound(4, "caf\x8E");         // four characters, five bytes
  resources.sound(5, "wcle");            // already taken by sound 1
  resources.add("snd ", 6, {}, "btnp");  // no body
  const Mapping expected = {{TonnixSoundID("wcle"), 1}, {TonnixSoundID("mnuo"), 3}};
  EXPECT_EQ(mappingOf(resources), expected);
}

TEST(ClassicSoundSet, VersionChoiceAndTextCleaning) {
  Resources resources;
  resources.add("vers", 5, versionResource("5.0", "five"));
  resources.add("vers", 2, versionResource("1.0\r", "   "));
  auto set = resources.read();
  EXPECT_EQ(set.version, "1.0");
  EXPECT_EQ(set.copyright, std::nullopt);

  resources.add("vers", 1, versionResource(" 2.1 ", "Line one\r\nLine two\rthree"));
  set = resources.read();
  EXPECT_EQ(set.version, "2.1");
  EXPECT_EQ(set.copyright, "Line one\nLine two\nthree");

  // The lowest ID is read even when too short; strings are cut at the end of
  // the data.
  Resources lowest;
  lowest.add("vers", 9, {0, 0, 0, 0, 0, 0, 10, 'A', 'b'});
  lowest.add("vers", 7, {0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(lowest.read().version);
  Resources cut;
  cut.add("vers", 3, {0, 0, 0, 0, 0, 0, 10, 'A', 'b'});
  set = cut.read();
  EXPECT_EQ(set.version, "Ab");
  EXPECT_FALSE(set.copyright);
}

TEST(ClassicSoundSet, FileErrorsNameTheFile) {
  QTemporaryDir dir;
  const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return writeBytes(dir.filePath(QString::fromStdString(name)).toStdString(), bytes).string();
  };
  const auto noSounds = write("Icons", TestResourceForkWriter().add("ICN#", 128, {1}).bytes());
  EXPECT_EQ(TonnixClassicSoundSet::read(noSounds).error().description(),
            "Icons has a resource fork but no sounds in it");
  const auto unmapped =
      write("Beeps", TestResourceForkWriter().add("snd ", 128, {1}, "Beep").bytes());
  EXPECT_EQ(TonnixClassicSoundSet::read(unmapped).error().description(),
            "Beeps has sounds but none map to a Tonnix event");
}
