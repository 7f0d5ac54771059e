#include "library/assignments.h"

#include <gtest/gtest.h>

#include "library_fixtures.h"
#include "platform/fake/memory_preferences_store.h"

using namespace fixtures;

namespace {

const TonnixSoundID menuOpen("mnuo");
const TonnixSoundID menuClose("mnuc");
const QString overridesKey = TonnixAssignments::overridesKey;
const QString customKey = TonnixAssignments::customSoundsKey;
const QString baselineKey = TonnixAssignments::baselineKey;

QVariantMap dictionary(std::initializer_list<std::pair<QString, QVariant>> entries) {
  QVariantMap map;
  for (const auto& [name, value] : entries) map.insert(name, value);
  return map;
}

class Assignments : public testing::Test {
 protected:
  TemporaryFolder temp;
  TonnixMemoryPreferencesStore store;
  TonnixAssignments assignments{store};
};

}  // namespace

TEST_F(Assignments, EverythingIsBaselineWithoutStoredStateAndTheBaselineIsWrittenOrRemoved) {
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::baseline());
  EXPECT_FALSE(assignments.storedBaselineIdentifier());
  EXPECT_TRUE(store.values().isEmpty());
  assignments.setBaselineIdentifier("org.example.a");
  EXPECT_EQ(store.stringValue(baselineKey), "org.example.a");
  assignments.setBaselineIdentifier(std::nullopt);
  EXPECT_FALSE(store.value(baselineKey).isValid());
}

TEST_F(Assignments, SilentAndSetOverridesAreStoredAsText) {
  assignments.setSelection(TonnixSelection::silent(), menuOpen);
  assignments.setSelection(TonnixSelection::set("org.example.chimes"), menuClose);
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::silent());
  EXPECT_EQ(assignments.selectionFor(menuClose), TonnixSelection::set("org.example.chimes"));
  EXPECT_EQ(store.stringDictionary(overridesKey),
            (QMap<QString, QString>{{"mnuo", ""}, {"mnuc", "org.example.chimes"}}));
  EXPECT_EQ(store.writeCount(customKey), 0);

  assignments.setSelection(TonnixSelection::baseline(), menuOpen);
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::baseline());
  EXPECT_EQ(store.stringDictionary(overridesKey),
            (QMap<QString, QString>{{"mnuc", "org.example.chimes"}}));
}

TEST_F(Assignments, CustomSoundAndOverrideReplaceEachOther) {
  writeSound(temp / "beep.wav");
  assignments.setSelection(TonnixSelection::set("org.example.chimes"), menuOpen);
  const int overrideWrites = store.writeCount(overridesKey);

  ASSERT_TRUE(assignments.setCustomSound(temp / "beep.wav", menuOpen));
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::custom(temp / "beep.wav"));
  EXPECT_TRUE(assignments.storedOverrides().empty());
  EXPECT_EQ(store.writeCount(overridesKey), overrideWrites + 1);
  EXPECT_EQ(store.dataDictionary(customKey),
            (QMap<QString, QByteArray>{
                {"mnuo", QByteArray::fromStdString((temp / "beep.wav").string())}}));

  // No override to remove: the overrides are not written again.
  ASSERT_TRUE(assignments.setCustomSound(temp / "beep.wav", menuClose));
  EXPECT_EQ(store.writeCount(overridesKey), overrideWrites + 1);

  assignments.setSelection(TonnixSelection::silent(), menuOpen);
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::silent());
  EXPECT_EQ(store.dataDictionary(customKey)->keys(), QStringList{"mnuc"});
}

TEST_F(Assignments, RefusesFilesThatAreNotPlayableAudio) {
  writeText(temp / "notes.txt", "text");
  writeText(temp / "broken.aiff", "FORM but not really");
  assignments.setSelection(TonnixSelection::silent(), menuOpen);
  using Kind = TonnixCustomSoundError::Kind;
  const auto refusal = [&](const char* name) {
    const auto result = assignments.setCustomSound(temp / name, menuOpen);
    return result ? std::pair(Kind{}, std::string("accepted"))
                  : std::pair(result.error().kind, result.error().description());
  };
  EXPECT_EQ(refusal("notes.txt"),
            std::pair(Kind::unsupportedFormat,
                      std::string("notes.txt is not a sound file Tonnix can play")));
  const auto broken = refusal("broken.aiff");
  EXPECT_EQ(broken.first, Kind::unreadable);
  EXPECT_TRUE(broken.second.starts_with("Could not open broken.aiff: ")) << broken.second;
  EXPECT_EQ(refusal("missing.wav").first, Kind::unreadable);

  assignments.setSelection(TonnixSelection::custom(temp / "notes.txt"), menuOpen);
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::silent());
  EXPECT_EQ(store.writeCount(customKey), 0);
}

TEST_F(Assignments, PruningDropsOverridesOfRemovedSetsButNotSilence) {
  assignments.setSelection(TonnixSelection::silent(), menuOpen);
  assignments.setSelection(TonnixSelection::set("org.example.gone"), menuClose);
  assignments.setSelection(TonnixSelection::set("org.example.here"), TonnixSoundID("wclp"));
  const int writes = store.writeCount(overridesKey);

  assignments.pruneOverrides({"org.example.here"});
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::silent());
  EXPECT_EQ(assignments.selectionFor(menuClose), TonnixSelection::baseline());
  EXPECT_EQ(assignments.selectionFor(TonnixSoundID("wclp")),
            TonnixSelection::set("org.example.here"));
  EXPECT_EQ(store.writeCount(overridesKey), writes + 1);

  assignments.pruneOverrides({"org.example.here"});
  EXPECT_EQ(store.writeCount(overridesKey), writes + 1);
}

TEST(AssignmentsLoading, SkipsMalformedEntries) {
  TemporaryFolder temp;
  writeSound(temp / "beep.wav");
  const QByteArray beep = QByteArray::fromStdString((temp / "beep.wav").string());
  const QByteArray moved = QByteArray::fromStdString((temp / "moved.wav").string());
  TonnixMemoryPreferencesStore store(dictionary({
      {baselineKey, QString("org.example.base")},
      {overridesKey,
       dictionary(
           {{"mnuo", QString("")}, {"mnuc", QString("org.example.x")}, {"toolong", QString("y")}})},
      {customKey, dictionary({{"wclp", beep},
                              {"wcle", moved},
                              {"wclx", QByteArray("relative.wav")},
                              {"wclrr", beep}})},
  }));
  TonnixAssignments assignments(store);
  EXPECT_EQ(assignments.storedBaselineIdentifier(), "org.example.base");
  EXPECT_EQ(assignments.storedOverrides(),
            (TonnixOverrides{{menuOpen, ""}, {menuClose, "org.example.x"}}));
  // A missing file keeps the path its bookmark recorded.
  EXPECT_EQ(assignments.selectionFor(TonnixSoundID("wclp")),
            TonnixSelection::custom(temp / "beep.wav"));
  EXPECT_EQ(assignments.selectionFor(TonnixSoundID("wcle")),
            TonnixSelection::custom(temp / "moved.wav"));
  EXPECT_EQ(assignments.storedCustomSounds().size(), 2u);
  EXPECT_EQ(store.writeCount(customKey), 0);
}

TEST(AssignmentsLoading, IgnoresDictionariesWithForeignValues) {
  TonnixMemoryPreferencesStore store(dictionary({
      {baselineKey, 42},
      {overridesKey, dictionary({{"mnuo", QString("org.example.x")}, {"mnuc", 1}})},
      {customKey, QString("not a dictionary")},
  }));
  TonnixAssignments assignments(store);
  EXPECT_FALSE(assignments.storedBaselineIdentifier());
  EXPECT_TRUE(assignments.storedOverrides().empty());
  EXPECT_TRUE(assignments.storedCustomSounds().empty());
}

TEST_F(Assignments, FollowingMovedSoundsKeepsEntriesThatCannotBeFound) {
  writeSound(temp / "beep.wav");
  ASSERT_TRUE(assignments.setCustomSound(temp / "beep.wav", menuOpen));
  const int writes = store.writeCount(customKey);
  fs::rename(temp / "beep.wav", temp / "elsewhere.wav");
  assignments.followMovedCustomSounds();
  EXPECT_EQ(assignments.selectionFor(menuOpen), TonnixSelection::custom(temp / "beep.wav"));
  EXPECT_EQ(store.writeCount(customKey), writes);
}

// What `tonnix` prints for an assignment.
TEST(Selection, DescribesItself) {
  EXPECT_EQ(TonnixSelection::baseline().description(), "baseline");
  EXPECT_EQ(TonnixSelection::silent().description(), "silent");
  EXPECT_EQ(TonnixSelection::custom("/a/b.wav").description(), "custom:/a/b.wav");
}
