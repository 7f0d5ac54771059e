#include "platform/linux/display_to_itself.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int32_t game = 42;
const QRectF display(0, 0, 1920, 1080);
const QRectF secondDisplay(1920, 0, 1280, 1024);

TonnixWindowDescription window(QRectF bounds, int layer = TonnixWindowLayer::normal,
                               double alpha = 1.0, std::int32_t owner = game) {
  return {owner, layer, bounds, alpha};
}

bool hasDisplay(const TonnixWindowDescription& description) {
  return tonnixHasDisplayToItself({description}, game, {display, secondDisplay});
}

}  // namespace

TEST(DisplayToItself, AWindowCoveringADisplayCountsWithOnePointToSpare) {
  EXPECT_TRUE(hasDisplay(window(display)));
  EXPECT_TRUE(hasDisplay(window(display.adjusted(1, 1, -1, -1))));
  EXPECT_FALSE(hasDisplay(window(display.adjusted(2, 2, -2, -2))));
  EXPECT_FALSE(hasDisplay(window(display.adjusted(0, 0, 0, -2))));
  EXPECT_TRUE(hasDisplay(window(display.adjusted(-50, -50, 50, 50))));
}

TEST(DisplayToItself, AnyDisplayWillDo) {
  EXPECT_TRUE(hasDisplay(window(secondDisplay)));
  EXPECT_FALSE(hasDisplay(window(QRectF(1000, 0, 1920, 1080))));
}

TEST(DisplayToItself, InvisibleWindowsNeverCount) {
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::normal, 0.0)));
  EXPECT_TRUE(hasDisplay(window(display, TonnixWindowLayer::normal, 0.01)));
}

TEST(DisplayToItself, OnlyOrdinaryWindowsAndThoseAtTheScreenSaverLayerOrAboveCount) {
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::floating)));
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::dock)));
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::screenSaver - 1)));
  EXPECT_TRUE(hasDisplay(window(display, TonnixWindowLayer::screenSaver)));
  EXPECT_TRUE(hasDisplay(window(display, TonnixWindowLayer::screenSaver + 1)));
}

TEST(DisplayToItself, OnlyTheProcessOwnWindowsCount) {
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::normal, 1.0, game + 1)));
  const std::vector windows{window(QRectF(0, 0, 10, 10)), window(display, 0, 1.0, game + 1)};
  EXPECT_FALSE(tonnixHasDisplayToItself(windows, game, {display}));
}

TEST(DisplayToItself, NoProcessAndEmptyRectanglesNeverCount) {
  const auto unowned = window(display, TonnixWindowLayer::normal, 1.0, 0);
  EXPECT_FALSE(tonnixHasDisplayToItself({unowned}, 0, {display}));
  EXPECT_FALSE(tonnixHasDisplayToItself({window(display)}, -1, {display}));
  EXPECT_FALSE(tonnixHasDisplayToItself({window(QRectF(0, 0, 0, 0))}, game, {QRectF(0, 0, 1, 0)}));
  EXPECT_FALSE(tonnixHasDisplayToItself({window(display)}, game, {}));
  EXPECT_FALSE(tonnixHasDisplayToItself({}, game, {display}));
}
