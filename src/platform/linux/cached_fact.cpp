#include "platform/linux/cached_fact.h"

#include <QCoreApplication>
#include <QTimer>
#include <optional>

struct TonnixCachedFact::State {
  Clock::duration freshness{};
  std::function<Clock::time_point()> now = [] { return Clock::now(); };
  bool value = false;
  std::optional<Clock::time_point> fetchedAt;
  bool isFetching = false;
};

TonnixCachedFact::TonnixCachedFact(Clock::duration freshness, Fetch fetch)
    : state_(std::make_shared<State>()), fetch_(std::move(fetch)) {
  state_->freshness = freshness;
}

TonnixCachedFact::~TonnixCachedFact() = default;

// The fetch is sent once the caller's event is over, so that a sound never
// waits for the question to go out.
bool TonnixCachedFact::value() {
  State& state = *state_;
  const bool isFresh = state.fetchedAt && state.now() - *state.fetchedAt < state.freshness;
  if (isFresh || state.isFetching) return state.value;
  state.isFetching = true;
  const std::weak_ptr<State> weak = state_;
  auto send = [weak, fetch = fetch_] {
    if (weak.expired()) return;
    fetch([weak](bool answer) {
      const auto alive = weak.lock();
      if (!alive) return;
      alive->value = answer;
      alive->fetchedAt = alive->now();
      alive->isFetching = false;
    });
  };
  if (QCoreApplication::instance()) {
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(send));
  } else {
    send();
  }
  return state.value;
}

void TonnixCachedFact::forget() {
  state_->fetchedAt.reset();
}

void TonnixCachedFact::setClock(std::function<Clock::time_point()> now) {
  state_->now = std::move(now);
}

TonnixCachedFact::Fetch tonnixAnyOf(std::vector<TonnixCachedFact::Fetch> fetches) {
  return [fetches = std::move(fetches)](TonnixCachedFact::Completion done) {
    struct Gathering {
      std::size_t pending;
      bool answer = false;
      TonnixCachedFact::Completion done;
    };
    if (fetches.empty()) {
      done(false);
      return;
    }
    auto gathering = std::make_shared<Gathering>(Gathering{fetches.size(), false, std::move(done)});
    for (const auto& fetch : fetches) {
      fetch([gathering](bool answer) {
        gathering->answer = gathering->answer || answer;
        if (--gathering->pending == 0) gathering->done(gathering->answer);
      });
    }
  };
}
