#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "events/control_kind.h"

// Every kind presses; the tracks and the generic click make no other sound,
// and every sound named is one the catalogue knows, so a mistyped code shows.
TEST(ControlKind, SoundsOfEveryPhaseExistInTheCatalogue) {
  for (const TonnixControlKind kind : allControlKinds()) {
    SCOPED_TRACE(std::string(controlKindName(kind)));
    const bool onlyPresses = kind == TonnixControlKind::scrollTrack ||
                             kind == TonnixControlKind::sliderTrack ||
                             kind == TonnixControlKind::genericClick;
    ASSERT_TRUE(pressSound(kind));
    EXPECT_NE(entryForSoundID(*pressSound(kind)), nullptr);
    for (const auto sound : {enterSound(kind), exitSound(kind), releaseSound(kind)}) {
      EXPECT_EQ(sound.has_value(), !onlyPresses);
      if (sound) {
        EXPECT_NE(entryForSoundID(*sound), nullptr);
      }
    }
  }
}
