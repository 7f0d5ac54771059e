#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>

#include "events/control_kind.h"

// What a press landed on: the control's kind, where it is and whose it is.
struct TonnixClickTarget {
  TonnixControlKind kind = TonnixControlKind::genericClick;
  // Global screen coordinates, origin at the top left of the primary screen.
  // Absent (the null rectangle) unless the element reported both its
  // position and its size.
  std::optional<QRectF> frame;
  std::int32_t processIdentifier = 0;
  std::optional<QString> applicationName;

  friend bool operator==(const TonnixClickTarget&, const TonnixClickTarget&) = default;
};

// A frame the pointer cannot meaningfully leave: absent, or without area.
inline bool isNullOrEmptyFrame(const std::optional<QRectF>& frame) {
  return !frame || frame->normalized().isEmpty();
}

// Whether the point lies in the frame. Like the accessibility geometry it
// comes from, the left and top edges are inside and the right and bottom
// edges outside, so neighbouring controls never both contain a point.
inline bool frameContainsPoint(const QRectF& frame, QPointF point) {
  const QRectF rect = frame.normalized();
  return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() &&
         point.y() < rect.bottom();
}
