#include "platform/linux/display_mirroring.h"

#include <gtest/gtest.h>

TEST(DisplayMirroring, OutputsShowingTheSameAreaAreMirrored) {
  EXPECT_TRUE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)}));
  // Clone mode at a projector's lower resolution.
  EXPECT_TRUE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 0, 1024, 768)}));
  EXPECT_TRUE(tonnixOutputsMirrored(
      {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024)}));
}

TEST(DisplayMirroring, SideBySideOrSingleOutputsAreNot) {
  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)}));
  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 1080, 1920, 1080)}));
  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080)}));
  EXPECT_FALSE(tonnixOutputsMirrored({}));
  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 0, 0, 0)}));
}
