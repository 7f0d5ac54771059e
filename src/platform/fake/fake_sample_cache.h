#pragma once

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/sample_cache.h"

// A sample cache that keeps uploads in memory and answers at once, or
// uploads when the test says so. A test refuses uploads or plays, or takes
// the server away.
class TonnixFakeSampleCache : public TonnixSampleCache {
 public:
  struct Play {
    std::string name;
    float volume = 1;
    std::uint32_t number = 0;
  };

  void upload(std::shared_ptr<const TonnixCachedSample> sample,
              std::function<void(bool)> done) override {
    if (defersUploads) {
      deferred.emplace_back(std::move(sample), std::move(done));
      return;
    }
    if (refusesUploads) {
      done(false);
      return;
    }
    samples[sample->name] = std::move(sample);
    done(true);
  }
  void finishUploads() {
    defersUploads = false;
    for (auto& [sample, done] : std::exchange(deferred, {})) upload(std::move(sample), done);
  }
  void remove(const std::string& name) override { samples.erase(name); }
  bool play(const std::string& name, float volume, Started started) override {
    if (!connected) return false;
    if (refusesPlays || !samples.contains(name)) {
      started(std::nullopt);
      return true;
    }
    plays.push_back({name, volume, nextNumber});
    started(nextNumber++);
    return true;
  }
  void stop(std::uint32_t playing) override { stopped.insert(playing); }
  bool isConnected() const override { return connected; }

  bool connected = true;
  bool refusesUploads = false;
  bool defersUploads = false;
  bool refusesPlays = false;
  std::map<std::string, std::shared_ptr<const TonnixCachedSample>> samples;
  std::vector<Play> plays;
  std::set<std::uint32_t> stopped;
  std::vector<std::pair<std::shared_ptr<const TonnixCachedSample>, std::function<void(bool)>>>
      deferred;

 private:
  std::uint32_t nextNumber = 1;
};
