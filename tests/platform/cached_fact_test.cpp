#include "platform/linux/cached_fact.h"

#include <gtest/gtest.h>

namespace {

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

}  // namespace

TEST_F(CachedFactTest, TheFirstAnswerIsNoAndAnAnswerIsReusedUntilItIsStaleOrForgotten) {
  EXPECT_FALSE(fact.value());
  ASSERT_EQ(fetches.completions.size(), 1U);
  EXPECT_FALSE(fact.value());
  EXPECT_EQ(fetches.completions.size(), 1U) << "one fetch at a time";
  fetches.answer(true);
  now += std::chrono::milliseconds(4999);
  EXPECT_TRUE(fact.value());
  EXPECT_TRUE(fetches.completions.empty());
  now += std::chrono::milliseconds(1);
  EXPECT_TRUE(fact.value()) << "the stale answer stands until the new one arrives";
  ASSERT_EQ(fetches.completions.size(), 1U);
  fetches.answer(false);
  EXPECT_FALSE(fact.value());
  EXPECT_TRUE(fetches.completions.empty());
  fact.forget();
  fact.value();
  EXPECT_EQ(fetches.completions.size(), 1U);
}

TEST(CachedFact, AnImmediateAnswerIsTheFirstAnswer) {
  TonnixCachedFact fact(std::chrono::seconds(1), [](auto done) { done(true); });
  EXPECT_TRUE(fact.value());
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
