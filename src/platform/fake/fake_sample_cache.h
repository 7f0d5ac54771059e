#pragma once

#include <map>
#include <set>
#include <vector>

#include "platform/sample_cache.h"

// A sample cache that keeps uploads in memory and answers at once. A test
// refuses uploads or plays, or takes the server away.
class TonnixFakeSampleCache : public TonnixSampleCache {
 public:
  struct Play {
    std::string name;
    float volume = 1;
    std::uint32_t number = 0;
  };

  void upload(std::shared_ptr<const TonnixCachedSample> sample,
              std::function<void(bool)> done) override {
    if (refusesUploads) {
      done(false);
      return;
    }
    samples[sample->name] = std::move(sample);
    done(true);
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
  bool refusesPlays = false;
  std::map<std::string, std::shared_ptr<const TonnixCachedSample>> samples;
  std::vector<Play> plays;
  std::set<std::uint32_t> stopped;

 private:
  std::uint32_t nextNumber = 1;
};
