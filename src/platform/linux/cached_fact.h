#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// A yes/no fact about the desktop that takes a round trip to learn (a D-Bus
// call), kept so that asking never waits: asking returns the last answer
// and, when that is older than `freshness`, starts one fetch in the
// background once the caller's event is over. Before the first fetch
// completes the answer is "no". Main
// thread only; a fetch completing after the fact is gone is ignored.
class TonnixCachedFact {
 public:
  using Clock = std::chrono::steady_clock;
  // Told the fetched answer once, on the main thread, possibly at once.
  using Completion = std::function<void(bool)>;
  using Fetch = std::function<void(Completion)>;

  TonnixCachedFact(Clock::duration freshness, Fetch fetch);
  ~TonnixCachedFact();
  TonnixCachedFact(const TonnixCachedFact&) = delete;
  TonnixCachedFact& operator=(const TonnixCachedFact&) = delete;

  bool value();
  // Makes the next value() fetch afresh.
  void forget();
  // Replaces the monotonic clock, for tests.
  void setClock(std::function<Clock::time_point()> now);

 private:
  struct State;
  std::shared_ptr<State> state_;
  Fetch fetch_;
};

// One fetch that answers yes when any of `fetches` does, once all have
// answered.
TonnixCachedFact::Fetch tonnixAnyOf(std::vector<TonnixCachedFact::Fetch> fetches);
