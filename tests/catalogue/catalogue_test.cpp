#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "catalogue/sound_category.h"
#include "catalogue/sound_flags.h"

namespace {

std::string lowerBase(const std::string& fileName) {
  std::string base = fileName.substr(0, fileName.rfind('.'));
  std::transform(base.begin(), base.end(), base.begin(), ::tolower);
  return base;
}

}  // namespace

// Only DragTargetDrop shares its identifier, with its misspelt twin.
TEST(Catalogue, IdentifiersAndBaseNamesAreDistinct) {
  ASSERT_EQ(allEntries().size(), catalogue().size() + alternateEntries().size());
  std::set<TonnixSoundID> ids;
  std::set<std::string> bases;
  for (const auto& entry : allEntries()) {
    ids.insert(entry.soundID);
    bases.insert(lowerBase(entry.fileName));
  }
  EXPECT_EQ(ids.size(), allEntries().size() - 1);
  EXPECT_EQ(bases.size(), allEntries().size());
}

TEST(Catalogue, EveryRowIsConsistent) {
  for (const auto& entry : allEntries()) {
    SCOPED_TRACE(entry.fileName);
    EXPECT_TRUE(entry.fileName.ends_with(".aiff"));
    EXPECT_EQ(entry.soundID.description().find('?'), std::string::npos);
    EXPECT_EQ(entry.flags.contains(TonnixSoundFlags::loops),
              entry.flags.contains(TonnixSoundFlags::exclusive));
    EXPECT_EQ(entry.flags.contains(TonnixSoundFlags::loops),
              entry.fileName.starts_with("DragSound"));
    const auto* byBase = entryForBaseName(lowerBase(entry.fileName));
    ASSERT_NE(byBase, nullptr);
    EXPECT_EQ(byBase->fileName, entry.fileName);
    const auto* byID = entryForSoundID(entry.soundID);
    ASSERT_NE(byID, nullptr);
    EXPECT_EQ(byID->soundID, entry.soundID);
  }
}

TEST(SetEntry, DisplayNameSplitsAtCapitals) {
  auto named = [](const char* fileName) {
    TonnixSetEntry entry;
    entry.fileName = fileName;
    return entry.displayName();
  };
  EXPECT_EQ(named("WindowClosePress.aiff"), "Window Close Press");
  EXPECT_EQ(named("DragSoundScrollBarArrowDecreasing.aiff"),
            "Drag Sound Scroll Bar Arrow Decreasing");
  EXPECT_EQ(named("ABC.aiff"), "A B C");
  EXPECT_EQ(named("lower.aiff"), "lower");
  EXPECT_EQ(named("ÄrgerÖl.aiff"), "Ärger Öl");
  EXPECT_EQ(named(".aiff"), "");
  EXPECT_EQ(named("NoExtension"), "No Extension");
}

TEST(SoundID, DescriptionPrintsFourCharactersWithQuestionMarksForUnprintableBytes) {
  EXPECT_EQ(TonnixSoundID(0x62746E70u).description(), "btnp");
  EXPECT_EQ(TonnixSoundID(0u).description(), "????");
  EXPECT_EQ(TonnixSoundID(0x7F1F2020u).description(), "??  ");
  EXPECT_EQ(TonnixSoundID(0x7E80417Eu).description(), "~?A~");
}

TEST(SoundCategory, RawValuesAndTheirLimits) {
  EXPECT_EQ(soundCategoryFromRawValue(2), TonnixSoundCategory::control);
  EXPECT_FALSE(soundCategoryFromRawValue(4));
  EXPECT_FALSE(soundCategoryFromRawValue(-1));
}

TEST(SoundFlags, SetOperations) {
  using F = TonnixSoundFlags;
  const F loopsExclusive{F::loops, F::exclusive};
  EXPECT_EQ((loopsExclusive | F::centered), F({F::loops, F::exclusive, F::centered}));
  EXPECT_EQ((loopsExclusive ^ F{F::loops, F::centered}), F({F::exclusive, F::centered}));
  EXPECT_EQ(loopsExclusive - F::loops, F::exclusive);
  EXPECT_TRUE(F::loops.isSubset(loopsExclusive));
  EXPECT_FALSE(loopsExclusive.isSubset(F::loops));
  F flags;
  EXPECT_TRUE(flags.insert(F::centered));
  EXPECT_FALSE(flags.insert(F::centered));
  EXPECT_TRUE(flags.remove(F::centered));
  EXPECT_TRUE(flags.isEmpty());
}
