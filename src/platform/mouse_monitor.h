#pragma once

#include <QPointF>
#include <cstdint>
#include <functional>
#include <optional>

// The left-button events a global monitor can watch.
enum class TonnixMouseEventKind {
  leftMouseDown,
  leftMouseDragged,
  leftMouseUp,
};

// Names one installed monitor so that it can be removed again.
struct TonnixMouseMonitorToken {
  std::uint64_t value = 0;
  friend bool operator==(TonnixMouseMonitorToken, TonnixMouseMonitorToken) = default;
};

// Global monitoring of the left mouse button in other applications' windows.
// Handlers run on the main thread and receive the pointer location in global
// screen coordinates with the origin at the top left of the primary screen.
class TonnixMouseMonitor {
 public:
  using Handler = std::function<void(QPointF location)>;

  virtual ~TonnixMouseMonitor() = default;

  // Installs a monitor for one kind of event; nothing when the desktop
  // refuses (no input extension, no permission).
  virtual std::optional<TonnixMouseMonitorToken> addGlobalMonitor(TonnixMouseEventKind kind,
                                                                  Handler handler) = 0;
  // Removes an installed monitor; its handler is not called afterwards.
  // Unknown tokens are ignored.
  virtual void removeMonitor(TonnixMouseMonitorToken token) = 0;
};
