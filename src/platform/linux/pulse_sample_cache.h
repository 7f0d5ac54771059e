#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "platform/sample_cache.h"

// The sample cache of a PulseAudio server, or of PipeWire's PulseAudio
// server. Its own connection runs on libpulse's threaded main loop and
// hands answers to the main thread. A lost server is connected to again,
// soon at first and then ever more rarely, and every sample is uploaded
// again; one line says it went away. Samples are named by their uploader;
// those still held are removed from the server when the cache goes.
class TonnixPulseSampleCache : public TonnixSampleCache {
 public:
  // Connected to the sound server, or nothing, with `why` saying what
  // failed. Never starts a server. Main thread, waiting for the answer
  // two seconds at most.
  static std::unique_ptr<TonnixPulseSampleCache> connect(std::string& why);
  ~TonnixPulseSampleCache() override;
  TonnixPulseSampleCache(const TonnixPulseSampleCache&) = delete;
  TonnixPulseSampleCache& operator=(const TonnixPulseSampleCache&) = delete;

  void upload(std::shared_ptr<const TonnixCachedSample> sample,
              std::function<void(bool)> done) override;
  void remove(const std::string& name) override;
  bool play(const std::string& name, float volume, Started started) override;
  void stop(std::uint32_t playing) override;
  bool isConnected() const override;

  struct Connection;

 private:
  TonnixPulseSampleCache();

  // Where answers are handed to the main thread; dropped with it.
  QObject receiver_;
  std::unique_ptr<Connection> connection_;
};
