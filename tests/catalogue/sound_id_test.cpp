#include "catalogue/sound_id.h"

#include <gtest/gtest.h>

#include "catalogue/sound_category.h"
#include "catalogue/sound_flags.h"

TEST(SoundID, DescriptionPrintsFourCharactersWithQuestionMarksForUnprintableBytes) {
  EXPECT_EQ(TonnixSoundID(0x62746E70u).description(), "btnp");
  EXPECT_EQ(TonnixSoundID(0x216D6F74u).description(), "!mot");
  EXPECT_EQ(TonnixSoundID(0x64744245u).description(), "dtBE");
  EXPECT_EQ(TonnixSoundID(0u).description(), "????");
  EXPECT_EQ(TonnixSoundID(0x7F1F2020u).description(), "??  ");
  EXPECT_EQ(TonnixSoundID(0x7E80417Eu).description(), "~?A~");
}

TEST(SoundID, TextRoundTripsAndRejectsOtherLengths) {
  EXPECT_EQ(TonnixSoundID::fromText("mnuo"), TonnixSoundID("mnuo"));
  EXPECT_EQ(TonnixSoundID::fromText("mnuo")->rawValue, 0x6D6E756Fu);
  EXPECT_FALSE(TonnixSoundID::fromText("mnu"));
  EXPECT_FALSE(TonnixSoundID::fromText("mnuoo"));
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
