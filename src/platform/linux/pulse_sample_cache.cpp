#include "platform/linux/pulse_sample_cache.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <utility>

#include "platform/linux/pulse_retry.h"
#include "support/diagnostics.h"

namespace {

// A lost server is looked for again soon, then ever more rarely, since
// every attempt wakes the process.
constexpr pa_usec_t kFirstRetryDelay = PA_USEC_PER_SEC / 5;
constexpr pa_usec_t kLongestRetryDelay = 30 * PA_USEC_PER_SEC;
// How long the first connection may take before the output falls back.
constexpr pa_usec_t kConnectionTimeLimit = 2 * PA_USEC_PER_SEC;
// The latest sounds started, which alone may be stopped: more than ever
// play at once.
constexpr std::size_t kRememberedSounds = 256;

}  // namespace

// Everything but `ready` is touched on the main loop's thread or with its
// lock held.
struct TonnixPulseSampleCache::Connection {
  struct Sample {
    std::shared_ptr<const TonnixCachedSample> sample;
    // Told once, at the end of the first upload.
    std::function<void(bool)> done;
  };
  struct Upload {
    Connection* connection;
    std::shared_ptr<const TonnixCachedSample> sample;
  };
  struct Play {
    Connection* connection;
    Started started;
    bool answered = false;
  };

  QObject* receiver = nullptr;
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_time_event* retry = nullptr;
  pa_usec_t retryDelay = kFirstRetryDelay;
  std::atomic<bool> ready{false};
  bool wasReady = false;
  std::map<std::string, Sample> samples;
  // The sounds this connection started: a number from an earlier server, or
  // one another client now has, is never stopped.
  std::deque<std::uint32_t> started;

  void post(std::function<void()> work) {
    QMetaObject::invokeMethod(receiver, std::move(work), Qt::QueuedConnection);
  }
  void connect();
  void release();
  void onState();
  void retryLater();
  void startUpload(const std::shared_ptr<const TonnixCachedSample>& sample);
  void finishUpload(const std::string& name, bool uploaded);
  static void onUploadState(pa_stream* stream, void* data);
  static void onPlayed(pa_context* context, std::uint32_t index, void* data);
  static void onPlayEnded(pa_operation* operation, void* data);
};

void TonnixPulseSampleCache::Connection::connect() {
  context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Tonnix");
  if (!context) return;
  pa_context_set_state_callback(
      context, [](pa_context*, void* self) { static_cast<Connection*>(self)->onState(); }, this);
  pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

void TonnixPulseSampleCache::Connection::release() {
  if (!context) return;
  pa_context_set_state_callback(context, nullptr, nullptr);
  pa_context_disconnect(context);
  pa_context_unref(context);
  context = nullptr;
}

void TonnixPulseSampleCache::Connection::onState() {
  pa_threaded_mainloop_signal(loop, 0);
  switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
      retryDelay = kFirstRetryDelay;
      started.clear();
      if (std::exchange(wasReady, true)) {
        for (const auto& [name, entry] : samples) startUpload(entry.sample);
      }
      ready = true;
      return;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
      if (!wasReady) return;
      if (ready.exchange(false)) {
        post([why = std::string(pa_strerror(pa_context_errno(context)))] {
          tonnixDiagnostic("TonnixAudio",
                           "lost the sound server (" + why +
                               "); sounds play through OpenAL Soft until it is back");
        });
      }
      retryLater();
      return;
    default:
      return;
  }
}

void TonnixPulseSampleCache::Connection::retryLater() {
  tonnixPulseRetryLater(*this, kLongestRetryDelay);
}

void TonnixPulseSampleCache::Connection::startUpload(
    const std::shared_ptr<const TonnixCachedSample>& sample) {
  const pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(sample->sampleRate),
                            static_cast<std::uint8_t>(sample->channels)};
  pa_stream* stream = pa_sample_spec_valid(&spec)
                          ? pa_stream_new(context, sample->name.c_str(), &spec, nullptr)
                          : nullptr;
  if (!stream) {
    finishUpload(sample->name, false);
    return;
  }
  pa_stream_set_state_callback(stream, onUploadState, new Upload{this, sample});
  if (pa_stream_connect_upload(stream, sample->samples.size() * sizeof(std::int16_t)) < 0) {
    onUploadState(stream, nullptr);
  }
}

// The server says an upload stream is ready for the whole sound, then ends
// it once it has the sound, or fails it (the sound is too big for its cache,
// or the format is refused).
void TonnixPulseSampleCache::Connection::onUploadState(pa_stream* stream, void* data) {
  auto* upload = static_cast<Upload*>(data);
  const pa_stream_state_t state = upload ? pa_stream_get_state(stream) : PA_STREAM_FAILED;
  if (state == PA_STREAM_READY) {
    const auto& samples = upload->sample->samples;
    pa_stream_write(stream, samples.data(), samples.size() * sizeof(std::int16_t), nullptr, 0,
                    PA_SEEK_RELATIVE);
    pa_stream_finish_upload(stream);
    return;
  }
  if (state != PA_STREAM_TERMINATED && state != PA_STREAM_FAILED) return;
  if (upload) upload->connection->finishUpload(upload->sample->name, state == PA_STREAM_TERMINATED);
  pa_stream_set_state_callback(stream, nullptr, nullptr);
  pa_stream_unref(stream);
  delete upload;
}

void TonnixPulseSampleCache::Connection::finishUpload(const std::string& name, bool uploaded) {
  const auto entry = samples.find(name);
  if (entry == samples.end() || !entry->second.done) return;
  post([done = std::exchange(entry->second.done, nullptr), uploaded] { done(uploaded); });
}

void TonnixPulseSampleCache::Connection::onPlayed(pa_context*, std::uint32_t index, void* data) {
  auto* request = static_cast<Play*>(data);
  request->answered = true;
  std::optional<std::uint32_t> number;
  if (index != PA_INVALID_INDEX) {
    auto& recent = request->connection->started;
    recent.push_back(index);
    if (recent.size() > kRememberedSounds) recent.pop_front();
    number = index;
  }
  request->connection->post([started = std::move(request->started), number] { started(number); });
}

// Answered, or dropped with a lost server: a play never answered is refused.
void TonnixPulseSampleCache::Connection::onPlayEnded(pa_operation* operation, void* data) {
  if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) return;
  auto* request = static_cast<Play*>(data);
  if (!request->answered) {
    request->connection->post([started = std::move(request->started)] { started(std::nullopt); });
  }
  delete request;
}

TonnixPulseSampleCache::TonnixPulseSampleCache() : connection_(std::make_unique<Connection>()) {
  connection_->receiver = &receiver_;
}

std::unique_ptr<TonnixPulseSampleCache> TonnixPulseSampleCache::connect(std::string& why) {
  std::unique_ptr<TonnixPulseSampleCache> cache(new TonnixPulseSampleCache());
  Connection& connection = *cache->connection_;
  connection.loop = pa_threaded_mainloop_new();
  if (!connection.loop || pa_threaded_mainloop_start(connection.loop) < 0) {
    why = "libpulse could not start its main loop";
    return nullptr;
  }
  pa_threaded_mainloop_lock(connection.loop);
  connection.connect();
  // A server that hangs must not hold up Tonnix's start.
  struct Waiting {
    pa_threaded_mainloop* loop;
    bool hasTimedOut = false;
  } waiting{connection.loop};
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(connection.loop);
  timeval until{};
  pa_timeval_add(pa_gettimeofday(&until), kConnectionTimeLimit);
  pa_time_event* limit = api->time_new(
      api, &until,
      [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
        auto* waited = static_cast<Waiting*>(data);
        waited->hasTimedOut = true;
        pa_threaded_mainloop_signal(waited->loop, 0);
      },
      &waiting);
  while (connection.context && !waiting.hasTimedOut) {
    const pa_context_state_t state = pa_context_get_state(connection.context);
    if (state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state)) break;
    pa_threaded_mainloop_wait(connection.loop);
  }
  api->time_free(limit);
  const bool isReady = connection.ready;
  if (waiting.hasTimedOut && !isReady) {
    why = "the sound server did not answer within two seconds";
  } else if (!isReady) {
    why = connection.context ? std::string("no sound server answered (") +
                                   pa_strerror(pa_context_errno(connection.context)) + ")"
                             : "libpulse could not make a context";
  }
  pa_threaded_mainloop_unlock(connection.loop);
  if (!isReady) return nullptr;
  return cache;
}

TonnixPulseSampleCache::~TonnixPulseSampleCache() {
  Connection& connection = *connection_;
  if (!connection.loop) return;
  pa_threaded_mainloop_lock(connection.loop);
  // The server keeps samples after their uploader has gone.
  pa_operation* last = nullptr;
  for (const auto& [name, entry] : connection.samples) {
    if (!connection.ready) break;
    if (last) pa_operation_unref(last);
    last = pa_context_remove_sample(connection.context, name.c_str(), nullptr, nullptr);
  }
  if (last) {
    pa_operation_set_state_callback(
        last,
        [](pa_operation*, void* loop) {
          pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
        },
        connection.loop);
    while (pa_operation_get_state(last) == PA_OPERATION_RUNNING) {
      pa_threaded_mainloop_wait(connection.loop);
    }
    pa_operation_unref(last);
  }
  pa_threaded_mainloop_unlock(connection.loop);
  pa_threaded_mainloop_stop(connection.loop);
  connection.release();
  // Frees a pending retry with the loop's other events.
  pa_threaded_mainloop_free(connection.loop);
}

void TonnixPulseSampleCache::upload(std::shared_ptr<const TonnixCachedSample> sample,
                                    std::function<void(bool)> done) {
  Connection& connection = *connection_;
  pa_threaded_mainloop_lock(connection.loop);
  connection.samples[sample->name] = {sample, std::move(done)};
  if (connection.ready) connection.startUpload(sample);
  pa_threaded_mainloop_unlock(connection.loop);
}

void TonnixPulseSampleCache::remove(const std::string& name) {
  Connection& connection = *connection_;
  pa_threaded_mainloop_lock(connection.loop);
  if (connection.samples.erase(name) && connection.ready) {
    if (auto* operation =
            pa_context_remove_sample(connection.context, name.c_str(), nullptr, nullptr)) {
      pa_operation_unref(operation);
    }
  }
  pa_threaded_mainloop_unlock(connection.loop);
}

bool TonnixPulseSampleCache::play(const std::string& name, float volume, Started started) {
  Connection& connection = *connection_;
  pa_threaded_mainloop_lock(connection.loop);
  pa_operation* operation = nullptr;
  if (connection.ready && connection.samples.contains(name)) {
    auto* request = new Connection::Play{&connection, std::move(started)};
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "event");
    operation = pa_context_play_sample_with_proplist(
        connection.context, name.c_str(), nullptr,
        pa_sw_volume_from_linear(std::clamp(volume, 0.0f, 1.0f)), properties, Connection::onPlayed,
        request);
    pa_proplist_free(properties);
    if (operation) {
      pa_operation_set_state_callback(operation, Connection::onPlayEnded, request);
      pa_operation_unref(operation);
    } else {
      delete request;
    }
  }
  pa_threaded_mainloop_unlock(connection.loop);
  return operation != nullptr;
}

void TonnixPulseSampleCache::stop(std::uint32_t playing) {
  Connection& connection = *connection_;
  pa_threaded_mainloop_lock(connection.loop);
  auto& recent = connection.started;
  const auto known = std::find(recent.begin(), recent.end(), playing);
  if (connection.ready && known != recent.end()) {
    recent.erase(known);
    if (auto* operation =
            pa_context_kill_sink_input(connection.context, playing, nullptr, nullptr)) {
      pa_operation_unref(operation);
    }
  }
  pa_threaded_mainloop_unlock(connection.loop);
}

bool TonnixPulseSampleCache::isConnected() const {
  return connection_->ready;
}
