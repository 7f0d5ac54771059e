#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <map>
#include <optional>

class TonnixX11WindowWatcher;

// What the window manager does to client windows, told as the
// notifications an application would send about its own windows: a window
// moved or resized (AXWindowMoved, AXWindowResized), minimized or restored
// (_NET_WM_STATE_HIDDEN: AXWindowMiniaturized, AXWindowDeminiaturized), and
// a new active window (AXFocusedWindowChanged, AXMainWindowChanged, and
// AXApplicationActivated when its process changed). Only windows that name
// their process (_NET_WM_PID) count. A drag or a resize is one change, told
// once the frame has been still for a while; a window's first placement by
// the window manager is none. Nothing runs while nothing changes. Main
// thread only.
class TonnixX11WindowEvents : public QObject {
  Q_OBJECT

 public:
  // How long a frame must stay still before its move or resize is over.
  static constexpr int settleMilliseconds = 300;

  // `watcher` must outlive this.
  explicit TonnixX11WindowEvents(TonnixX11WindowWatcher& watcher, QObject* parent = nullptr);

 signals:
  void windowChanged(std::int32_t processIdentifier, const QString& notification);

 private:
  struct Change {
    std::int32_t processIdentifier = 0;
    // The frame before the change; absent while the window is being placed.
    std::optional<QRect> from;
  };

  void added(quint64 window);
  void geometryChanged(quint64 window, std::int32_t processIdentifier);
  void stateChanged(quint64 window, std::int32_t processIdentifier, bool isHidden);
  void activeChanged(quint64 window, std::int32_t processIdentifier);
  void settle();
  void tell(std::int32_t processIdentifier, const QString& notification);

  TonnixX11WindowWatcher& watcher_;
  // Each window's client area once still, and whether it is minimized.
  std::map<quint64, QRect> settled_;
  std::map<quint64, bool> hidden_;
  std::map<quint64, Change> changing_;
  QTimer settleTimer_;
  quint64 activeWindow_ = 0;
  std::int32_t activeProcess_ = 0;
};
