#include "classic/resource_fork.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "classic/mac_roman.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace {

TonnixResourceFork parsed(const std::vector<std::uint8_t>& bytes) {
  return TonnixResourceFork::parse(bytes).value();
}

std::vector<std::uint8_t> threeTypeFork() {
  return TestResourceForkWriter()
      .add("vers", 2, versionResource("2.0", ""))
      .add("snd ", 200, {0x00, 0x01, 0xFF}, "Sosumi")
      .add("snd ", -16000, {0xAB})
      .add("snd#", 128, {})
      .add("snd ", 129, {}, "")
      .bytes();
}

}  // namespace

TEST(ResourceFork, KeepsTheMapsOrderNamesAndBytes) {
  const auto fork = parsed(threeTypeFork());
  EXPECT_EQ(fork.resourceTypes(), (std::vector<std::string>{"vers", "snd ", "snd#"}));
  const auto& sounds = fork.resourcesOfType("snd ");
  ASSERT_EQ(sounds.size(), 3u);
  EXPECT_EQ((std::vector{sounds[0].identifier, sounds[1].identifier, sounds[2].identifier}),
            (std::vector<std::int16_t>{200, -16000, 129}));

  // Bytes are handed on untouched; empty names are absent.
  EXPECT_EQ(sounds[0].data, (std::vector<std::uint8_t>{0x00, 0x01, 0xFF}));
  EXPECT_EQ((std::vector{sounds[0].name, sounds[1].name, sounds[2].name}),
            (std::vector<std::optional<std::string>>{"Sosumi", std::nullopt, std::nullopt}));
  EXPECT_TRUE(sounds[2].data.empty());
  EXPECT_EQ(fork.resourcesOfType("vers")[0].data, versionResource("2.0", ""));
}

TEST(ResourceFork, TypeLookupPadsWithBlanksAndRejectsUnusableStrings) {
  const auto fork = parsed(threeTypeFork());
  EXPECT_EQ(&fork.resourcesOfType("snd"), &fork.resourcesOfType("snd "));
  EXPECT_TRUE(fork.containsResourceType("snd"));
  EXPECT_FALSE(fork.containsResourceType(""));
  EXPECT_FALSE(fork.containsResourceType("snd  "));
  EXPECT_FALSE(fork.containsResourceType("PICT"));
  EXPECT_FALSE(fork.containsResourceType("\xE2\x98\x83"));  // a snowman has no Mac OS Roman byte
}

TEST(ResourceFork, TypesAndNamesAreMacOsRoman) {
  const auto fork = parsed(TestResourceForkWriter().add("\xA9mov", 1, {1}, "Caf\x8E").bytes());
  EXPECT_EQ(fork.resourceTypes(), (std::vector<std::string>{"\u00A9mov"}));
  EXPECT_EQ(fork.resourcesOfType("\u00A9mov").at(0).name, "Caf\u00E9");
  EXPECT_EQ(decodeMacRoman(std::vector<std::uint8_t>{0xDB, 0xF0, 0xCA}), "\u20AC\uF8FF\u00A0");
  EXPECT_EQ(encodeMacRoman("\u2122"), (std::vector<std::uint8_t>{0xAA}));
  EXPECT_FALSE(encodeMacRoman("\xC0\x80"));  // overlong NUL
}

TEST(ResourceFork, AMapPointingOutsideTheForkOrHoldingNoTypesIsAnError) {
  const auto good = threeTypeFork();
  const std::size_t mapOffset = good[4] << 24 | good[5] << 16 | good[6] << 8 | good[7];
  const auto damage = [&](std::size_t at, std::uint8_t value) {
    auto bytes = good;
    bytes[at] = value;
    return TonnixResourceFork::parse(bytes);
  };
  EXPECT_FALSE(damage(12, 0x7F));                      // map length past the end
  EXPECT_FALSE(damage(mapOffset + 24, 0x7F));          // type list offset
  EXPECT_FALSE(damage(mapOffset + 26 + 1, 0xF0));      // name list offset, with named resources
  EXPECT_FALSE(damage(mapOffset + 28 + 2 + 6, 0x7F));  // first reference list offset
  const std::size_t firstReference = mapOffset + 28 + 2 + 3 * 8;
  EXPECT_FALSE(damage(firstReference + 5, 0x7F));  // resource data offset
  const auto error = damage(8, 0xFF).error();      // data length past the end
  EXPECT_EQ(std::pair(error.code, error.message),
            std::pair(-199, std::string("The file has no readable resource fork")));

  const auto empty = TonnixResourceFork::parse(TestResourceForkWriter().bytes());
  ASSERT_FALSE(empty);
  EXPECT_EQ(empty.error().code, -39);
  EXPECT_EQ(empty.error().message, "The resource fork is empty");
}

TEST(ResourceFork, EveryTruncationIsRefused) {
  const auto good = threeTypeFork();
  for (std::size_t length = 0; length < good.size(); ++length) {
    EXPECT_FALSE(TonnixResourceFork::parse(std::span(good).first(length))) << length;
  }
}

TEST(ResourceFork, ReferenceListsSharedBetweenTypesAreRefused) {
  // A second type naming the first one's reference list would let a small
  // map stand for many more resources than it can hold.
  TestResourceForkWriter writer;
  for (std::int16_t id = 1; id <= 10; ++id) writer.add("snd ", id, {});
  auto bytes = writer.add("vers", 1, {}).bytes();
  ASSERT_TRUE(TonnixResourceFork::parse(bytes));
  const std::size_t map = bytes[4] << 24 | bytes[5] << 16 | bytes[6] << 8 | bytes[7];
  const std::size_t sndEntry = map + 28 + 2, versEntry = sndEntry + 8;
  std::copy_n(bytes.begin() + sndEntry + 4, 4, bytes.begin() + versEntry + 4);
  EXPECT_FALSE(TonnixResourceFork::parse(bytes));
}
