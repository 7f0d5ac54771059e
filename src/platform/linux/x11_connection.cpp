#include "platform/linux/x11_connection.h"

#include <X11/Xlib.h>

#include <mutex>
#include <set>

namespace {

// Xlib's process-wide answer to a lost server ends the process before the
// display's own exit handler is asked. Ours go quietly to theirs; any other
// display keeps the answer it had.
struct LostServerHandling {
  std::mutex mutex;
  std::set<Display*> displays;
  XIOErrorHandler previous = nullptr;
};

LostServerHandling& lostServerHandling() {
  static LostServerHandling handling;
  return handling;
}

int onLostServer(Display* display) {
  auto& handling = lostServerHandling();
  {
    const std::lock_guard lock(handling.mutex);
    if (handling.displays.contains(display)) return 0;
  }
  return handling.previous ? handling.previous(display) : 0;
}

void handleLossQuietly(Display* display) {
  auto& handling = lostServerHandling();
  static std::once_flag installed;
  std::call_once(installed, [&handling] { handling.previous = XSetIOErrorHandler(&onLostServer); });
  const std::lock_guard lock(handling.mutex);
  handling.displays.insert(display);
}

void forgetDisplay(Display* display) {
  auto& handling = lostServerHandling();
  const std::lock_guard lock(handling.mutex);
  handling.displays.erase(display);
}

}  // namespace

TonnixX11Connection::TonnixX11Connection(const QByteArray& displayName)
    : display_(XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData())) {
  if (!display_) return;
  handleLossQuietly(display_);
  XSetIOErrorExitHandler(display_, &TonnixX11Connection::connectionLost, this);
}

TonnixX11Connection::~TonnixX11Connection() {
  if (!display_) return;
  XCloseDisplay(display_);
  forgetDisplay(display_);
}

void TonnixX11Connection::connectionLost(Display*, void* data) {
  auto* connection = static_cast<TonnixX11Connection*>(data);
  connection->lost_ = true;
  if (connection->whenLost_) connection->whenLost_();
}
