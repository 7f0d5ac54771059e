#pragma once

#include <pulse/pulseaudio.h>

#include <algorithm>

// Connects a lost or missing sound server's connection again after a delay
// that doubles up to `longestDelay`, since every attempt wakes the process.
// A context cannot be dropped inside its own callback, so a timer on the
// loop does it. `Connection` holds the `loop`, the pending `retry` and the
// `retryDelay`, and can `release()` and `connect()`. On the loop's thread.
template <typename Connection>
void tonnixPulseRetryLater(Connection& connection, pa_usec_t longestDelay) {
  if (connection.retry) return;
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(connection.loop);
  timeval when{};
  pa_timeval_add(pa_gettimeofday(&when), connection.retryDelay);
  connection.retryDelay = std::min(2 * connection.retryDelay, longestDelay);
  connection.retry = api->time_new(
      api, &when,
      [](pa_mainloop_api* events, pa_time_event* event, const timeval*, void* data) {
        auto* self = static_cast<Connection*>(data);
        events->time_free(event);
        self->retry = nullptr;
        self->release();
        self->connect();
      },
      &connection);
}
