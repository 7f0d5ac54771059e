#include "events/click_tracker.h"

#include <gtest/gtest.h>

namespace {

TonnixClickTarget targetOf(TonnixControlKind kind, std::optional<QRectF> frame) {
  return {kind, frame, 42, QStringLiteral("Text Editor")};
}

const QRectF kButtonFrame(100, 100, 80, 20);
const QPointF kInside(120, 110);
const QPointF kOutside(300, 300);

}  // namespace

TEST(ClickTracker, ReleaseDecidesByItsOwnPointAndResets) {
  TonnixClickTracker tracker;
  tracker.press(targetOf(TonnixControlKind::checkbox, kButtonFrame), kInside);
  EXPECT_EQ(tracker.drag(kOutside), TonnixSoundID("chkx"));
  EXPECT_FALSE(tracker.release(kOutside));
  EXPECT_FALSE(tracker.target);
  EXPECT_TRUE(tracker.isInside);

  // The release point decides, even when no drag reported the way back in.
  tracker.press(targetOf(TonnixControlKind::radio, kButtonFrame), kInside);
  EXPECT_EQ(tracker.drag(kOutside), TonnixSoundID("radx"));
  EXPECT_EQ(tracker.release(kInside), TonnixSoundID("radr"));

  tracker.press(targetOf(TonnixControlKind::radio, kButtonFrame), kInside);
  EXPECT_FALSE(tracker.release(kOutside)) << "no drag was seen, but the release is outside";

  // A press that lands outside its own frame (the element moved, or the
  // frame is stale) starts outside; the first drag over the frame enters it.
  tracker.press(targetOf(TonnixControlKind::button, kButtonFrame), kOutside);
  EXPECT_FALSE(tracker.isInside);
  EXPECT_EQ(tracker.drag(kInside), TonnixSoundID("btne"));
}

TEST(ClickTracker, NullOrEmptyFrameCountsAsAlwaysInside) {
  for (const std::optional<QRectF> frame :
       {std::optional<QRectF>(), std::optional(QRectF(5, 5, 0, 30)),
        std::optional(QRectF(5, 5, 40, 0))}) {
    TonnixClickTracker tracker;
    tracker.press(targetOf(TonnixControlKind::popUp, frame), kOutside);
    EXPECT_TRUE(tracker.isInside);
    EXPECT_FALSE(tracker.drag({-1000, -1000}));
    EXPECT_FALSE(tracker.drag(kInside));
    EXPECT_EQ(tracker.release({9999, 9999}), TonnixSoundID("popr"));
  }
}
