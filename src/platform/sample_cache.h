#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A sound as a sound server keeps it: 16-bit interleaved samples under a
// name of its own.
struct TonnixCachedSample {
  std::string name;
  int sampleRate = 0;
  int channels = 1;
  std::vector<std::int16_t> samples;
};

// The sound server's sample cache: sounds uploaded once, then played by
// name, which costs the server a message rather than a stream. Main thread
// only; every callback runs later on the main thread, never after the cache
// is gone.
class TonnixSampleCache {
 public:
  using Started = std::function<void(std::optional<std::uint32_t>)>;

  virtual ~TonnixSampleCache() = default;

  // Keeps the sample in the server, now and after the server restarts, until
  // remove(). `done` tells whether the first upload worked.
  virtual void upload(std::shared_ptr<const TonnixCachedSample> sample,
                      std::function<void(bool)> done) = 0;
  virtual void remove(const std::string& name) = 0;
  // Asks the server to play the named sample at `volume` (0 to 1, as
  // recorded). False when it cannot be asked now (no server); otherwise
  // `started` later gets the playing sound's number, or nothing when the
  // server refused.
  virtual bool play(const std::string& name, float volume, Started started) = 0;
  // Ends a playing sound at once.
  virtual void stop(std::uint32_t playing) = 0;
  virtual bool isConnected() const = 0;
};
