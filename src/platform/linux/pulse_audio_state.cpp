#include "platform/linux/pulse_audio_state.h"

#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/linux/pulse_retry.h"
#include "support/diagnostics.h"

namespace {

bool isSilent(int mute, const pa_cvolume& volume) {
  return mute != 0 || pa_cvolume_max(&volume) == PA_VOLUME_MUTED;
}

}  // namespace

// A lost or missing server is tried again, so a restarted sound server is
// followed without restarting Tonnix: soon at first, then ever more rarely,
// because every attempt wakes the process and a machine without a sound
// server would otherwise pay for that forever.
constexpr pa_usec_t firstRetryDelay = 5 * PA_USEC_PER_SEC;
constexpr pa_usec_t longestRetryDelay = 80 * PA_USEC_PER_SEC;

// Everything but the atomics is touched only on the mainloop's thread (or
// with its lock held).
struct TonnixPulseAudioState::Connection {
  // A list request that is never run twice at once: changes arriving while
  // one runs ask for one more run after it, so the last answer is current.
  struct ListRefresh {
    bool inFlight = false;
    bool again = false;
    bool seen = false;
  };

  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_time_event* retry = nullptr;
  pa_usec_t retryDelay = firstRetryDelay;
  bool wasReady = false;
  bool saidFailure = false;
  ListRefresh sources;
  ListRefresh streams;
  std::atomic<bool> outputSilent{false};
  std::atomic<bool> ownStreamSilent{false};
  std::atomic<bool> recording{false};

  void start();
  void stop();
  void connect();
  void release();
  void retryLater();
  void onState();
  void onFailure();
  void onChange(pa_subscription_event_type_t event);
  void refreshOutput();
  void readOutput(const char* sinkName);
  void refreshSources();
  void refreshStreams();
  void forget();
  void run(pa_operation* operation) {
    if (operation) pa_operation_unref(operation);
  }
};

void TonnixPulseAudioState::Connection::start() {
  loop = pa_threaded_mainloop_new();
  if (!loop) return;
  pa_threaded_mainloop_lock(loop);
  connect();
  pa_threaded_mainloop_unlock(loop);
  pa_threaded_mainloop_start(loop);
}

void TonnixPulseAudioState::Connection::stop() {
  if (!loop) return;
  pa_threaded_mainloop_stop(loop);
  release();
  // Frees a pending retry with the loop's other events.
  pa_threaded_mainloop_free(loop);
}

void TonnixPulseAudioState::Connection::connect() {
  context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Tonnix");
  if (!context) return;
  pa_context_set_state_callback(
      context, [](pa_context*, void* self) { static_cast<Connection*>(self)->onState(); }, this);
  pa_context_set_subscribe_callback(
      context,
      [](pa_context*, pa_subscription_event_type_t event, std::uint32_t, void* self) {
        static_cast<Connection*>(self)->onChange(event);
      },
      this);
  sources = {};
  streams = {};
  // Never start a server just to ask whether it is muted. A refusal at
  // once is told by the state callback, like a later failure.
  pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

void TonnixPulseAudioState::Connection::release() {
  if (!context) return;
  pa_context_set_state_callback(context, nullptr, nullptr);
  pa_context_set_subscribe_callback(context, nullptr, nullptr);
  pa_context_disconnect(context);
  pa_context_unref(context);
  context = nullptr;
}

void TonnixPulseAudioState::Connection::retryLater() {
  tonnixPulseRetryLater(*this, longestRetryDelay);
}

void TonnixPulseAudioState::Connection::onState() {
  switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
      wasReady = true;
      saidFailure = false;
      retryDelay = firstRetryDelay;
      const auto mask = static_cast<pa_subscription_mask_t>(
          PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
          PA_SUBSCRIPTION_MASK_SINK_INPUT);
      run(pa_context_subscribe(context, mask, nullptr, nullptr));
      refreshOutput();
      refreshSources();
      refreshStreams();
      return;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
      onFailure();
      return;
    default:
      return;
  }
}

// Said once per loss, not at every attempt to reconnect.
void TonnixPulseAudioState::Connection::onFailure() {
  forget();
  retryLater();
  if (saidFailure) return;
  saidFailure = true;
  tonnixDiagnostic(
      "TonnixPulseAudioState",
      wasReady ? std::string("lost the PulseAudio server; a muted output or a recording "
                             "microphone goes unnoticed until it is back")
               : std::string("no PulseAudio server (") + pa_strerror(pa_context_errno(context)) +
                     "); a muted output or a recording microphone goes unnoticed");
}

void TonnixPulseAudioState::Connection::onChange(pa_subscription_event_type_t event) {
  switch (event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) {
    case PA_SUBSCRIPTION_EVENT_SERVER:
    case PA_SUBSCRIPTION_EVENT_SINK:
      refreshOutput();
      return;
    case PA_SUBSCRIPTION_EVENT_SOURCE:
      refreshSources();
      return;
    case PA_SUBSCRIPTION_EVENT_SINK_INPUT:
      refreshStreams();
      return;
    default:
      return;
  }
}

// The default output may change with any server event, so its name is
// asked first, then its state.
void TonnixPulseAudioState::Connection::refreshOutput() {
  run(pa_context_get_server_info(
      context,
      [](pa_context*, const pa_server_info* server, void* data) {
        static_cast<Connection*>(data)->readOutput(server ? server->default_sink_name : nullptr);
      },
      this));
}

void TonnixPulseAudioState::Connection::readOutput(const char* name) {
  if (!name) {
    outputSilent = false;
    return;
  }
  run(pa_context_get_sink_info_by_name(
      context, name,
      [](pa_context*, const pa_sink_info* sink, int end, void* data) {
        auto* self = static_cast<Connection*>(data);
        if (end < 0) self->outputSilent = false;
        if (sink) self->outputSilent = isSilent(sink->mute, sink->volume);
      },
      this));
}

void TonnixPulseAudioState::Connection::refreshSources() {
  if (sources.inFlight) {
    sources.again = true;
    return;
  }
  sources = {true, false, false};
  pa_operation* operation = pa_context_get_source_info_list(
      context,
      [](pa_context*, const pa_source_info* source, int end, void* data) {
        auto* self = static_cast<Connection*>(data);
        if (source && source->monitor_of_sink == PA_INVALID_INDEX &&
            source->state == PA_SOURCE_RUNNING) {
          self->sources.seen = true;
        }
        if (!end) return;
        self->recording = end > 0 && self->sources.seen;
        self->sources.inFlight = false;
        if (self->sources.again) self->refreshSources();
      },
      this);
  if (!operation) sources.inFlight = false;
  run(operation);
}

void TonnixPulseAudioState::Connection::refreshStreams() {
  if (streams.inFlight) {
    streams.again = true;
    return;
  }
  streams = {true, false, false};
  pa_operation* operation = pa_context_get_sink_input_info_list(
      context,
      [](pa_context*, const pa_sink_input_info* stream, int end, void* data) {
        auto* self = static_cast<Connection*>(data);
        if (stream && isSilent(stream->mute, stream->volume)) {
          const char* owner = pa_proplist_gets(stream->proplist, PA_PROP_APPLICATION_PROCESS_ID);
          if (owner && std::to_string(::getpid()) == owner) self->streams.seen = true;
        }
        if (!end) return;
        self->ownStreamSilent = end > 0 && self->streams.seen;
        self->streams.inFlight = false;
        if (self->streams.again) self->refreshStreams();
      },
      this);
  if (!operation) streams.inFlight = false;
  run(operation);
}

void TonnixPulseAudioState::Connection::forget() {
  outputSilent = false;
  ownStreamSilent = false;
  recording = false;
}

TonnixPulseAudioState::TonnixPulseAudioState() : connection_(std::make_unique<Connection>()) {
  connection_->start();
}

TonnixPulseAudioState::~TonnixPulseAudioState() {
  connection_->stop();
}

bool TonnixPulseAudioState::isOutputHeldBack() const {
  return connection_->outputSilent || connection_->ownStreamSilent;
}

bool TonnixPulseAudioState::isInputRecording() const {
  return connection_->recording;
}
