#pragma once

#include <QByteArray>
#include <functional>

struct _XDisplay;

// A connection of its own to an X server. Xlib ends the process when a
// server goes away; here a lost server only marks the connection lost, and
// every question after that answers as if there were no server. Main
// thread only.
class TonnixX11Connection {
 public:
  // Connects to `displayName`, or to DISPLAY when empty.
  explicit TonnixX11Connection(const QByteArray& displayName = {});
  ~TonnixX11Connection();
  TonnixX11Connection(const TonnixX11Connection&) = delete;
  TonnixX11Connection& operator=(const TonnixX11Connection&) = delete;

  // The display, or null when there is no server or it was lost.
  _XDisplay* display() const { return lost_ ? nullptr : display_; }

  // Runs `handler` once the server is found gone, from inside the Xlib call
  // that found it; Xlib refuses further requests on the display from then on.
  void whenLost(std::function<void()> handler) { whenLost_ = std::move(handler); }

 private:
  static void connectionLost(_XDisplay*, void* connection);

  _XDisplay* display_ = nullptr;
  bool lost_ = false;
  std::function<void()> whenLost_;
};
