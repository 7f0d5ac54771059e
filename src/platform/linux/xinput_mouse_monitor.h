#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "platform/mouse_monitor.h"
#include "support/expected.h"

class QSocketNotifier;
class QTimer;
class TonnixX11Connection;
struct _XDisplay;
union _XEvent;

// The left button anywhere on an X server (an X11 session, or the X11
// windows of a Wayland session through XWayland), from XInput 2 raw events
// selected on the root window: they arrive whichever window is under the
// pointer and whoever has grabbed it. Raw events carry no position, so each
// delivered event asks the server where the pointer is, in root-window
// coordinates (those of AT-SPI's screen extents too). (The server's motion
// history cannot stand in: button events write records of their own with
// the device's valuators, and warps none.)
//
// The connection is read on the Qt event loop when its socket is readable,
// and events are signalled on the thread that made the monitor: make it on
// the main thread, and do not destroy it from inside a slot. Pointer motion
// is selected only while the button is held and drags are watched, or
// rests or moves are watched, so an idle pointer never wakes the program.
class TonnixXInputMouseMonitor : public TonnixMouseMonitor {
 public:
  // Connects to the X display of that name (DISPLAY's when empty); the
  // error says why no monitor can be made there.
  static TonnixExpected<std::unique_ptr<TonnixXInputMouseMonitor>, QString> connect(
      const QString& displayName = {});
  ~TonnixXInputMouseMonitor() override;
  TonnixXInputMouseMonitor(const TonnixXInputMouseMonitor&) = delete;
  TonnixXInputMouseMonitor& operator=(const TonnixXInputMouseMonitor&) = delete;

  // What is watched, e.g. "XInput 2.2 raw events on :0".
  QString description() const { return description_; }
  // False once the X server has gone away: nothing arrives any more and
  // nothing more can be watched.
  bool isConnected() const { return connected_; }

 protected:
  bool startWatching(TonnixMouseEventKind kind) override;
  void stopWatching(TonnixMouseEventKind kind) override;

 private:
  TonnixXInputMouseMonitor(std::unique_ptr<TonnixX11Connection> connection, int extensionOpcode,
                           QString description);
  void connectionLost();

  void readEvents();
  void handle(_XEvent& event);
  void press(int sourceDevice);
  void release(int sourceDevice);
  void deliverAtPointer(TonnixMouseEventKind kind);
  void rested();
  // Whether motion with the button up is followed: rests, or moves, are
  // watched.
  bool followsRests() const;
  bool isPrimaryButton(int button) const;
  void readButtonMap();
  void updateSelection();

  std::unique_ptr<TonnixX11Connection> connection_;
  // The connection's display, kept for the calls Xlib refuses once it is lost.
  _XDisplay* display_;
  int extensionOpcode_;
  QString description_;
  std::unique_ptr<QSocketNotifier> notifier_;
  // Restarted by each motion with the button up; when it runs out the
  // pointer has come to rest.
  std::unique_ptr<QTimer> restTimer_;
  // The server's map from physical to logical buttons: raw events carry
  // the physical one, and the primary button is logical button 1.
  std::vector<unsigned char> buttonMap_;
  // The devices holding the primary button down; the button is down
  // while any of them holds it, as for the pointer they move together.
  std::set<int> holdingDevices_;
  std::uint32_t selectedEvents_ = 0;
  bool dragPending_ = false;
  bool reading_ = false;
  bool connected_ = true;
};
