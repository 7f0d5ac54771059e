#pragma once

#include <atspi/atspi.h>

#include <QPoint>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/linux/atspi_connection.h"
#include "platform/linux/atspi_roles.h"

// A string libatspi handed over (nothing for an error), freed.
QString atspiTakeString(gchar* text);

// An element: the desktop as a whole, an application (known by its
// process, so that it stays the same element whether or not the
// application has reached the bus yet), or one object of an application.
struct TonnixAtspiHandle final : TonnixAXElementHandle {
  enum class Kind { systemWide, application, object };

  TonnixAtspiHandle(Kind handleKind, std::int32_t pid, TonnixAtspiObjectRef handleObject,
                    QString handleKey);

  bool isSameElement(const TonnixAXElementHandle& other) const override;

  Kind kind;
  std::int32_t processIdentifier;
  TonnixAtspiObjectRef object;
  QString key;  // bus name and object path
  // As TonnixAtspiTarget's.
  AtspiCoordType coordinates = ATSPI_COORD_TYPE_SCREEN;
  QPoint origin{};
  TonnixAtspiObjectRef window;
};

// The libatspi object behind an element, with the process whose time-out
// bounds requests to it.
struct TonnixAtspiTarget {
  TonnixAtspiObjectRef object;
  std::int32_t processIdentifier = 0;
  // The coordinates its extents are asked in and where they start on the
  // screen: window coordinates from the window's place for a toolkit that
  // cannot tell screen coordinates (atspi_hit_test.h).
  AtspiCoordType coordinates = ATSPI_COORD_TYPE_SCREEN;
  QPoint origin{};
  // The window holding it, where a hit test found it there: its parents
  // need not be walked up to learn it.
  TonnixAtspiObjectRef window{};
};

// Reads elements and their attributes over the accessibility bus, every
// request under the time-out of the element's process. Main thread only.
class TonnixAtspiElements {
 public:
  // Parents walked up to a window, and steps down a hit test.
  static constexpr int maximumDepth = 64;

  explicit TonnixAtspiElements(TonnixAtspiConnection& connection) : connection_(connection) {}

  // The element of an object, its process asked of the bus when not given.
  TonnixAXElement wrap(const TonnixAtspiObjectRef& object, std::optional<std::int32_t> pid = {});
  // The element of a target, keeping where its coordinates start.
  TonnixAXElement wrap(const TonnixAtspiTarget& target);

  // One libatspi request under the process's time-out.
  template <typename T, typename Request>
  TonnixAXResult<T> ask(const TonnixAtspiTarget& target, Request request) {
    T value{};
    const auto read = [&](GError** error) { value = request(error); };
    TONNIX_TRY(done, connection_.call(target.processIdentifier, read));
    return value;
  }

  TonnixAXResult<AtspiRole> role(const TonnixAtspiTarget& target);
  TonnixAXResult<TonnixAtspiObjectRef> parent(const TonnixAtspiTarget& target);
  // False when the application does not answer.
  bool hasState(const TonnixAtspiTarget& target, AtspiStateType state);
  // The object's frame on the screen.
  TonnixAXResult<AtspiRect> extents(const TonnixAtspiTarget& target);
  // The application's top-level objects that are windows and visible.
  TonnixAXResult<std::vector<TonnixAtspiTarget>> windows(const TonnixAtspiTarget& application);

  // Position and size come from one extents request; a cache keeps it for
  // the other of the two when both are read together.
  using FrameCache = std::optional<TonnixAXResult<AtspiRect>>;
  TonnixAXResult<TonnixAXValue> attribute(const TonnixAtspiTarget& target, const QString& name);
  TonnixAXResult<TonnixAXValue> attribute(const TonnixAtspiTarget& target, const QString& name,
                                          FrameCache& frame);

  TonnixAtspiConnection& connection() { return connection_; }

 private:
  TonnixAXResult<TonnixAtspiRoleNames> roleNames(const TonnixAtspiTarget& target);
  TonnixAXResult<TonnixAXValue> text(const TonnixAtspiTarget& target,
                                     gchar* (*getter)(AtspiAccessible*, GError**));
  TonnixAXResult<TonnixAXValue> windowValue(const TonnixAtspiTarget& target);
  TonnixAXResult<TonnixAXValue> windowsValue(const TonnixAtspiTarget& target);
  TonnixAXResult<TonnixAXValue> parentValue(const TonnixAtspiTarget& target);
  TonnixAXResult<TonnixAXValue> frameValue(const TonnixAtspiTarget& target, const QString& name,
                                           FrameCache& frame);
  TonnixAXResult<TonnixAXValue> defaultButton(const TonnixAtspiTarget& target);
  std::optional<QString> frameButtonSubrole(const TonnixAtspiTarget& target);
  bool isInTitleBar(const TonnixAtspiTarget& target);

  TonnixAtspiConnection& connection_;
};
