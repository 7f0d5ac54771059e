#include <gtest/gtest.h>

#include <QCoreApplication>

#include "platform/linux/cached_fact.h"
#include "platform/linux/display_mirroring.h"
#include "platform/linux/display_to_itself.h"
#include "platform/linux/game_category.h"
#include "platform/linux/idle_inhibitor.h"

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

TEST(DisplayToItself, AWindowCoveringAnyDisplayCountsWithOnePointToSpare) {
  EXPECT_TRUE(hasDisplay(window(display)));
  EXPECT_TRUE(hasDisplay(window(display.adjusted(1, 1, -1, -1))));
  EXPECT_FALSE(hasDisplay(window(display.adjusted(2, 2, -2, -2))));
  EXPECT_FALSE(hasDisplay(window(display.adjusted(0, 0, 0, -2))));
  EXPECT_TRUE(hasDisplay(window(display.adjusted(-50, -50, 50, 50))));
  EXPECT_TRUE(hasDisplay(window(secondDisplay)));
  EXPECT_FALSE(hasDisplay(window(QRectF(1000, 0, 1920, 1080))));
}

// Windows at the screen saver's layer or above count too.
TEST(DisplayToItself, OnlyTheProcessOwnVisibleOrdinaryWindowsCount) {
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::normal, 0.0)));
  EXPECT_TRUE(hasDisplay(window(display, TonnixWindowLayer::normal, 0.01)));
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::floating)));
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::dock)));
  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::screenSaver - 1)));
  EXPECT_TRUE(hasDisplay(window(display, TonnixWindowLayer::screenSaver)));
  EXPECT_TRUE(hasDisplay(window(display, TonnixWindowLayer::screenSaver + 1)));

  EXPECT_FALSE(hasDisplay(window(display, TonnixWindowLayer::normal, 1.0, game + 1)));
  const std::vector windows{window(QRectF(0, 0, 10, 10)), window(display, 0, 1.0, game + 1)};
  EXPECT_FALSE(tonnixHasDisplayToItself(windows, game, {display}));
  const auto unowned = window(display, TonnixWindowLayer::normal, 1.0, 0);
  EXPECT_FALSE(tonnixHasDisplayToItself({unowned}, 0, {display}));
  EXPECT_FALSE(tonnixHasDisplayToItself({window(display)}, -1, {display}));
  EXPECT_FALSE(tonnixHasDisplayToItself({window(QRectF(0, 0, 0, 0))}, game, {QRectF(0, 0, 1, 0)}));
  EXPECT_FALSE(tonnixHasDisplayToItself({window(display)}, game, {}));
  EXPECT_FALSE(tonnixHasDisplayToItself({}, game, {display}));
}

TEST(GameCategory, AnEntryGameFilesTheApplicationUnderGames) {
  for (const char* list : {"Game;ArcadeGame;", "ArcadeGame;Game", "AudioVideo;;Game;", "Game"}) {
    EXPECT_TRUE(tonnixIsGameCategoryList(list)) << list;
  }
  for (const char* list :
       {"Games;", "GameTool;Utility;", "ArcadeGame;", "game;", " Game;", "", ";;;"}) {
    EXPECT_FALSE(tonnixIsGameCategoryList(list)) << list;
  }
}

// As in clone mode at a projector's lower resolution.
TEST(DisplayMirroring, OutputsShowingTheSameAreaAreMirrored) {
  EXPECT_TRUE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)}));
  EXPECT_TRUE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 0, 1024, 768)}));
  EXPECT_TRUE(tonnixOutputsMirrored(
      {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024)}));

  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)}));
  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 1080, 1920, 1080)}));
  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080)}));
  EXPECT_FALSE(tonnixOutputsMirrored({}));
  EXPECT_FALSE(tonnixOutputsMirrored({QRect(0, 0, 1920, 1080), QRect(0, 0, 0, 0)}));
}

// Another process blocking idle counts; locks that do not keep the display
// awake, and this process's own, do not.
constexpr std::int64_t self = 1000;
constexpr std::int64_t player = 2000;

TEST(IdleInhibitor, AnotherProcessBlockingIdleCounts) {
  const auto inhibits = [](const char* what, const char* mode = "block",
                           std::int64_t owner = player) {
    return tonnixOtherProcessInhibitsIdle(
        {{QString::fromLatin1(what), QString::fromLatin1(mode), owner}}, self);
  };
  EXPECT_TRUE(inhibits("idle"));
  EXPECT_TRUE(inhibits("sleep:idle:shutdown"));
  for (const char* what : {"sleep:shutdown", "handle-lid-switch", "idleness", ""}) {
    EXPECT_FALSE(inhibits(what)) << what;
  }
  EXPECT_FALSE(inhibits("idle", "delay"));
  EXPECT_FALSE(inhibits("idle", "block", self));
  const std::vector<TonnixIdleInhibitor> both{
      {QStringLiteral("idle"), QStringLiteral("block"), self},
      {QStringLiteral("sleep"), QStringLiteral("block"), player},
  };
  EXPECT_FALSE(tonnixOtherProcessInhibitsIdle(both, self));
  EXPECT_FALSE(tonnixOtherProcessInhibitsIdle({}, self));
}

using Clock = TonnixCachedFact::Clock;

// A fetch that keeps its completions for the test to answer.
struct PendingFetches {
  std::vector<TonnixCachedFact::Completion> completions;

  TonnixCachedFact::Fetch fetch() {
    return [this](TonnixCachedFact::Completion done) { completions.push_back(std::move(done)); };
  }
  void answer(bool value) {
    auto done = std::move(completions.back());
    completions.pop_back();
    done(value);
  }
};

class CachedFactTest : public testing::Test {
 protected:
  CachedFactTest() {
    fact.setClock([this] { return now; });
  }

  Clock::time_point now{};
  PendingFetches fetches;
  TonnixCachedFact fact{std::chrono::seconds(5), fetches.fetch()};
};

// The question goes out once the asking event is over: a sound never waits
// for it to be sent.
TEST_F(CachedFactTest, TheFirstAnswerIsNoAndAnAnswerIsReusedUntilItIsStaleOrForgotten) {
  EXPECT_FALSE(fact.value());
  EXPECT_TRUE(fetches.completions.empty()) << "asked during the event";
  QCoreApplication::processEvents();
  ASSERT_EQ(fetches.completions.size(), 1U);
  EXPECT_FALSE(fact.value());
  QCoreApplication::processEvents();
  EXPECT_EQ(fetches.completions.size(), 1U) << "one fetch at a time";
  fetches.answer(true);
  now += std::chrono::milliseconds(4999);
  EXPECT_TRUE(fact.value());
  EXPECT_TRUE(fetches.completions.empty());
  now += std::chrono::milliseconds(1);
  EXPECT_TRUE(fact.value()) << "the stale answer stands until the new one arrives";
  QCoreApplication::processEvents();
  ASSERT_EQ(fetches.completions.size(), 1U);
  fetches.answer(false);
  EXPECT_FALSE(fact.value());
  EXPECT_TRUE(fetches.completions.empty());
  fact.forget();
  fact.value();
  QCoreApplication::processEvents();
  EXPECT_EQ(fetches.completions.size(), 1U);
}

TEST(CachedFactAnyOf, AnswersYesWhenAnyDoesOnceAllHaveAnswered) {
  PendingFetches first;
  PendingFetches second;
  std::vector<bool> answers;
  const auto fetch = tonnixAnyOf({first.fetch(), second.fetch()});
  fetch([&](bool answer) { answers.push_back(answer); });
  first.answer(true);
  EXPECT_TRUE(answers.empty());
  second.answer(false);
  EXPECT_EQ(answers, std::vector{true});

  fetch([&](bool answer) { answers.push_back(answer); });
  first.answer(false);
  second.answer(false);
  EXPECT_EQ(answers, (std::vector{true, false}));

  tonnixAnyOf({})([&](bool answer) { answers.push_back(answer); });
  EXPECT_EQ(answers, (std::vector{true, false, false})) << "nothing to ask answers no";
}

}  // namespace
