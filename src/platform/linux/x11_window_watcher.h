#pragma once

#include <QObject>
#include <QRect>
#include <QSocketNotifier>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/linux/x11_connection.h"

// One client window as the window manager presents it.
struct TonnixX11WatchedWindow {
  quint64 window = 0;
  // The owner (_NET_WM_PID); 0 when the window does not say.
  std::int32_t processIdentifier = 0;
  // The client area and the outer frame (client plus _NET_FRAME_EXTENTS),
  // in root-window coordinates.
  QRect client;
  QRect frame;
  // Mapped and all its ancestors mapped.
  bool isViewable = false;
  // InputOnly windows take no part in anything visible.
  bool isInputOutput = true;
  bool isOverrideRedirect = false;
  // _NET_WM_STATE_HIDDEN (minimized, or on another desktop) and
  // _NET_WM_STATE_FULLSCREEN.
  bool isHidden = false;
  bool isFullscreen = false;
  // The EWMH window types and states, for stacking layers (display_to_itself.h).
  std::vector<unsigned long> types;
  std::vector<unsigned long> states;
  // _NET_WM_WINDOW_OPACITY, 0 to 1.
  double alpha = 1.0;
};

// The X server's window facts kept current by its events, on a connection
// of its own read from Qt's event loop: the active window
// (_NET_ACTIVE_WINDOW), the client windows front to back
// (_NET_CLIENT_LIST_STACKING or _NET_CLIENT_LIST; the root's children
// without a window manager), and each one's owner, state, type, opacity and
// frame geometry (PropertyNotify on root and clients, structure events on
// the root for the frames and on the clients). Reading a fact never asks
// the server, so the sound path can. Without an X server every list is
// empty and nothing is signalled; a lost server empties them once. Main
// thread only.
class TonnixX11WindowWatcher : public QObject {
  Q_OBJECT

 public:
  // Connects to `displayName`, or DISPLAY when empty, and reads the facts once.
  explicit TonnixX11WindowWatcher(const QByteArray& displayName = {}, QObject* parent = nullptr);
  ~TonnixX11WindowWatcher() override;

  bool isConnected() const { return connection_.display() != nullptr; }
  // Client windows, front first.
  std::vector<const TonnixX11WatchedWindow*> windows() const;
  const TonnixX11WatchedWindow* window(quint64 window) const;
  // The active window, if the window manager names one we know.
  const TonnixX11WatchedWindow* activeWindow() const;
  // The front-most viewable, not hidden client whose frame holds the point.
  const TonnixX11WatchedWindow* windowAt(QPoint point) const;
  // The server's id of an atom name (one round trip the first time); 0
  // without a server.
  unsigned long atom(const char* name) const;
  // Whether a window manager publishes the client list (EWMH).
  bool hasWindowManager() const { return hasWindowManager_; }
  // Waits for the server to send everything up to now (one round trip) and
  // reads it, for callers that must see a change they just made.
  void synchronize();
  // Reads what the server has already sent, without waiting: for a caller
  // handling an input event that may have changed the windows.
  void processPendingEvents();

 signals:
  // `window` is 0 when no window is active.
  void activeWindowChanged(quint64 window, std::int32_t processIdentifier);
  void windowAdded(quint64 window, std::int32_t processIdentifier);
  void windowRemoved(quint64 window, std::int32_t processIdentifier);
  void windowStateChanged(quint64 window, std::int32_t processIdentifier, bool isHidden,
                          bool isFullscreen);
  // The frame moved or changed size.
  void windowGeometryChanged(quint64 window, std::int32_t processIdentifier, QRect frame);
  // The front-to-back order changed, or a window was mapped or unmapped.
  void stackingChanged();

 private:
  void readAll();
  void readClientList();
  void readActiveWindow();
  void readProperties(TonnixX11WatchedWindow& window);
  void readGeometry(TonnixX11WatchedWindow& window);
  void handle(const union _XEvent& event);
  void refreshDirty();
  void forgetAll();
  TonnixX11WatchedWindow* find(unsigned long window);
  unsigned long topLevel(unsigned long window);

  TonnixX11Connection connection_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool hasWindowManager_ = false;
  unsigned long active_ = 0;
  // Bottom first, as the server lists them.
  std::vector<unsigned long> order_;
  std::map<unsigned long, TonnixX11WatchedWindow> windows_;
  // Client to its top-level ancestor (the window manager's frame, or itself).
  std::map<unsigned long, unsigned long> frames_;
  std::set<unsigned long> dirtyGeometry_;
  struct Atoms;
  std::unique_ptr<Atoms> atoms_;
};
