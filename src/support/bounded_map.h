#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <map>

// A map of at most `limit` entries: past it, the entry added first goes.
// For what is remembered of other programs, whose number they decide.
template <typename Key, typename Value, std::size_t limit>
class TonnixBoundedMap {
 public:
  // The entry for `key`, made anew where there is none.
  Value& operator[](const Key& key) {
    const auto found = entries_.find(key);
    if (found != entries_.end()) return found->second;
    if (order_.size() >= limit) {
      entries_.erase(order_.front());
      order_.pop_front();
    }
    order_.push_back(key);
    return entries_[key];
  }

  void remove(const Key& key) {
    if (entries_.erase(key) == 0) return;
    std::erase(order_, key);
  }

 private:
  std::map<Key, Value> entries_;
  std::deque<Key> order_;
};
