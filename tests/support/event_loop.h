#pragma once

#include <functional>

// Turning the test's own event loop, so that timers, queued calls, bus
// replies and child processes move on while a test waits for them. Main
// thread only.
namespace tonnix_test {

// Turns the event loop until `done` holds; false when `milliseconds` passed
// first.
bool turnUntil(const std::function<bool()>& done, int milliseconds = 10'000);

// Turns the event loop for a while, timers and all.
void turnFor(int milliseconds);

}  // namespace tonnix_test
