#pragma once

#include <QPoint>
#include <QTimer>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/linux/atspi_child_places.h"
#include "platform/linux/atspi_elements.h"
#include "platform/linux/x11_window_watcher.h"

// Finds the element under a screen point, as a press there would reach it.
// Main thread only.
class TonnixAtspiHitTest {
 public:
  explicit TonnixAtspiHitTest(TonnixAtspiElements& elements);
  ~TonnixAtspiHitTest();
  TonnixAtspiHitTest(const TonnixAtspiHitTest&) = delete;
  TonnixAtspiHitTest& operator=(const TonnixAtspiHitTest&) = delete;

  // Descends from `from` through the objects under the point, stopping at
  // a control: GTK exposes a button's icon and a tab's label as children,
  // and a press on them is a press on the control.
  TonnixAtspiObjectRef deepest(TonnixAtspiTarget from, int x, int y);

  // The deepest element under the point in the applications' visible
  // windows, the active window asked first. AT-SPI does not tell which
  // window is in front: with `consultStacking` the window manager's
  // stacking order, as the watcher keeps it without asking the X server,
  // names the application on top at the point where there is one. A point
  // on one of this process's own windows finds nothing without asking
  // anyone: its main thread is busy with the press. An application's
  // windows, their extents and which is active are reused until the
  // watcher sees a window change, for ten seconds at most, and for a
  // second when read just after a change.
  std::optional<TonnixAXElement> hit(const std::vector<TonnixAtspiTarget>& applications, int x,
                                     int y, bool consultStacking);

 private:
  struct Window {
    TonnixAtspiTarget target;
    // On the screen.
    std::optional<AtspiRect> extents;
    bool isActive = false;
    // What the toolkit's coordinates are, and where their origin is on the
    // screen.
    AtspiCoordType coordinates = ATSPI_COORD_TYPE_SCREEN;
    QPoint origin;
    // Walked by extents without asking for the point.
    bool isWalked = false;
  };
  // What the walks by extents read of one window that answers nothing at a
  // point: each parent's children and their places, and the objects
  // stepped into with their roles, in the window's coordinates. Kept until
  // an event tells that the window's children, bounds or showing states
  // changed, and while presses use it.
  struct Layout {
    std::int32_t processIdentifier = 0;
    AtspiCoordType coordinates = ATSPI_COORD_TYPE_SCREEN;
    std::map<QString, std::vector<TonnixAtspiChildPlace>> children;
    std::map<QString, std::pair<TonnixAtspiObjectRef, std::optional<AtspiRole>>> objects;
    // Every object read, by the key events name it with.
    std::set<QString> keys;
  };
  using Clock = std::chrono::steady_clock;

  TonnixAtspiObjectRef descend(TonnixAtspiTarget from, int x, int y, AtspiCoordType coordinates,
                               bool isWalked);
  // The last child of `parent` whose extents hold the point, looking through
  // children without extents; reads at most `budget` children.
  std::optional<TonnixAtspiObjectRef> childByExtents(const TonnixAtspiTarget& parent, int x, int y,
                                                     int& budget, AtspiCoordType coordinates,
                                                     Layout* layout);
  std::optional<std::vector<TonnixAtspiChildPlace>> placesOf(const TonnixAtspiTarget& parent,
                                                             AtspiCoordType coordinates,
                                                             Layout* layout);
  std::optional<TonnixAtspiObjectRef> childAt(const TonnixAtspiTarget& parent,
                                              const TonnixAtspiChildPlace& place, Layout* layout);
  std::optional<AtspiRole> roleOf(const TonnixAtspiTarget& target, Layout* layout);
  // A layout for a window that answered nothing at a point, kept only while
  // the events that change it are followed.
  Layout* startLayout(const TonnixAtspiTarget& window, AtspiCoordType coordinates);
  void followLayoutChanges();
  void forgetLayouts();
  void forget(const std::vector<TonnixAtspiEventRecord>& batch);

  // The application's windows as AT-SPI lists them.
  const std::vector<Window>& windowsOf(const TonnixAtspiTarget& application);
  void placeOnScreen(Window& window);
  bool answersPointsWrongly(const TonnixAtspiTarget& application);

  TonnixAtspiElements& elements_;
  std::int32_t ownProcessIdentifier_;
  std::map<std::int32_t, std::vector<Window>> windows_;
  Clock::time_point windowsChangedAt_;
  Clock::time_point windowsExpireAt_;
  std::map<QString, Layout> layouts_;
  // By bus name, which the bus never reuses.
  std::map<QString, bool> answersWrongly_;
  int sink_ = 0;
  bool isFollowing_ = false;
  bool isFollowingSoon_ = false;
  QTimer layoutsExpiry_;
  TonnixX11WindowWatcher watcher_;
};
