#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "events/control_kind.h"

namespace {

bool hasOnlyPressSound(TonnixControlKind kind) {
  return kind == TonnixControlKind::scrollTrack || kind == TonnixControlKind::sliderTrack ||
         kind == TonnixControlKind::genericClick;
}

}  // namespace

TEST(ControlKind, NineteenKindsInTableOrder) {
  const auto kinds = allControlKinds();
  ASSERT_EQ(kinds.size(), 19u);
  EXPECT_EQ(kinds.front(), TonnixControlKind::button);
  EXPECT_EQ(kinds[5], TonnixControlKind::tab);
  EXPECT_EQ(kinds[10], TonnixControlKind::scrollTrack);
  EXPECT_EQ(kinds.back(), TonnixControlKind::genericClick);
  EXPECT_EQ(controlKindName(TonnixControlKind::utilityWindowCollapse), "utilityWindowCollapse");
}

// Every kind presses; the tracks and the generic click make no other sound,
// and every sound named is one the catalogue knows, so a mistyped code shows.
TEST(ControlKind, SoundsOfEveryPhaseExistInTheCatalogue) {
  for (const TonnixControlKind kind : allControlKinds()) {
    SCOPED_TRACE(std::string(controlKindName(kind)));
    ASSERT_TRUE(pressSound(kind));
    EXPECT_NE(entryForSoundID(*pressSound(kind)), nullptr);
    for (const auto sound : {enterSound(kind), exitSound(kind), releaseSound(kind)}) {
      EXPECT_EQ(sound.has_value(), !hasOnlyPressSound(kind));
      if (sound) {
        EXPECT_NE(entryForSoundID(*sound), nullptr);
      }
    }
  }
}

TEST(ControlKind, CodesAreBigEndianFourCharacters) {
  EXPECT_EQ(pressSound(TonnixControlKind::button)->rawValue, 0x62746E70u);
  EXPECT_EQ(pressSound(TonnixControlKind::genericClick), TonnixSoundID("!mdo"));
  EXPECT_EQ(releaseSound(TonnixControlKind::utilityWindowZoom), TonnixSoundID("uzmr"));
  EXPECT_EQ(exitSound(TonnixControlKind::defaultButton), TonnixSoundID("dbtx"));
}

TEST(ControlKind, LittleArrowsShareEnterAndExitButNotPressAndRelease) {
  constexpr auto up = TonnixControlKind::littleArrowUp;
  constexpr auto down = TonnixControlKind::littleArrowDown;
  EXPECT_EQ(enterSound(up), TonnixSoundID("lare"));
  EXPECT_EQ(enterSound(down), TonnixSoundID("lare"));
  EXPECT_EQ(exitSound(up), TonnixSoundID("larx"));
  EXPECT_EQ(exitSound(down), TonnixSoundID("larx"));
  EXPECT_EQ(pressSound(up), TonnixSoundID("laup"));
  EXPECT_EQ(pressSound(down), TonnixSoundID("ladp"));
  EXPECT_EQ(releaseSound(up), TonnixSoundID("laur"));
  EXPECT_EQ(releaseSound(down), TonnixSoundID("ladr"));
}
