#include "platform/linux/atspi_hit_test.h"

#include <unistd.h>

#include <algorithm>
#include <iterator>

namespace {

// Controls whose children are only their content.
bool isControlRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
    case ATSPI_ROLE_CHECK_BOX:
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_PAGE_TAB:
    case ATSPI_ROLE_PUSH_BUTTON_MENU:
      return true;
    default:
      return false;
  }
}

// The windows read within this long of a window change the X server told
// are read again once it has passed: AT-SPI may learn of a window after the
// X server. Others are kept until the next change, for at most
// kWindowsReuse, as not every change reaches the X server (a window's
// active state without a window manager).
constexpr std::chrono::seconds kWindowsSettle(1);
constexpr std::chrono::seconds kWindowsReuse(10);
// The children whose extents one step of a press reads at most: a list of
// thousands of rows must not hold the press up.
constexpr int kMaximumChildrenWalked = 128;
// How long the layouts of windows walked by extents are kept while no press
// uses them: following their changes means hearing every application's
// bounds changes, which an animation sends many times a second.
constexpr std::chrono::seconds kLayoutsReuse(30);
// Windows whose layouts are kept at once.
constexpr std::size_t kMaximumLayouts = 16;
// What may move, hide or replace what a window shows at a point.
const QString kLayoutEvents[] = {
    QStringLiteral("object:children-changed:add"),
    QStringLiteral("object:children-changed:remove"),
    QStringLiteral("object:bounds-changed"),
    QStringLiteral("object:state-changed:showing"),
    QStringLiteral("object:state-changed:visible"),
    QStringLiteral("object:state-changed:defunct"),
    QStringLiteral("object:state-changed:expanded"),
};

QString keyOf(const TonnixAtspiObjectRef& object) {
  return object.busName() + object.path();
}

bool holdsPoint(const AtspiRect& rect, int x, int y) {
  return rect.width > 0 && rect.height > 0 && x >= rect.x && y >= rect.y &&
         x < rect.x + rect.width && y < rect.y + rect.height;
}

}  // namespace

TonnixAtspiHitTest::TonnixAtspiHitTest(TonnixAtspiElements& elements)
    : elements_(elements), ownProcessIdentifier_(static_cast<std::int32_t>(::getpid())) {
  const auto forgetWindows = [this] {
    windows_.clear();
    windowsChangedAt_ = Clock::now();
  };
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::activeWindowChanged, forgetWindows);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowAdded, forgetWindows);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowRemoved, forgetWindows);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowStateChanged, forgetWindows);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::stackingChanged, forgetWindows);
  // A toolkit may tell nothing of its window being moved or resized.
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowGeometryChanged,
                   [this, forgetWindows](quint64, std::int32_t processIdentifier, QRect) {
                     forgetWindows();
                     std::erase_if(layouts_, [&](const auto& entry) {
                       return entry.second.processIdentifier == processIdentifier;
                     });
                   });
  layoutsExpiry_.setSingleShot(true);
  layoutsExpiry_.setInterval(kLayoutsReuse);
  QObject::connect(&layoutsExpiry_, &QTimer::timeout, [this] { forgetLayouts(); });
  sink_ = elements_.connection().addSink(
      [this](const std::vector<TonnixAtspiEventRecord>& batch) { forget(batch); });
}

TonnixAtspiHitTest::~TonnixAtspiHitTest() {
  elements_.connection().removeSink(sink_);
  forgetLayouts();
}

TonnixAtspiObjectRef TonnixAtspiHitTest::deepest(TonnixAtspiTarget from, int x, int y) {
  return descend(std::move(from), x, y, ATSPI_COORD_TYPE_SCREEN, false);
}

TonnixAtspiObjectRef TonnixAtspiHitTest::descend(TonnixAtspiTarget from, int x, int y,
                                                 AtspiCoordType coordinates, bool isWalked) {
  const TonnixAtspiTarget window = from;
  const QString windowKey = keyOf(window.object);
  Layout* layout = nullptr;
  if (const auto known = layouts_.find(windowKey);
      known != layouts_.end() && known->second.coordinates == coordinates) {
    layout = &known->second;
    layoutsExpiry_.start();
  }
  const bool isReused = layout != nullptr;
  if (isWalked && !layout) layout = startLayout(window, coordinates);
  // A window that answers nothing at a point, or is known to answer
  // wrongly, is walked by its children's extents, which it reports rightly.
  bool byExtents = isReused || isWalked;
  for (int depth = 0; depth < TonnixAtspiElements::maximumDepth; ++depth) {
    const auto ownRole = roleOf(from, layout);
    if (ownRole && isControlRole(*ownRole)) break;
    // GTK 4's drop-down holds its button and its list: a press on it is a
    // press on the pop-up button.
    if (byExtents && ownRole == ATSPI_ROLE_COMBO_BOX) break;
    std::optional<TonnixAtspiObjectRef> child;
    if (!byExtents) {
      const auto answer = elements_.ask<TonnixAtspiObjectRef>(from, [&](GError** error) {
        return TonnixAtspiObjectRef::adopt(atspi_component_get_accessible_at_point(
            ATSPI_COMPONENT(from.object.get()), x, y, coordinates, error));
      });
      if (answer && *answer) child = *answer;
      // No object, or a refusal of the question; an application that did
      // not answer in time is not asked again.
      const bool isRefused = !answer && answer.error() != TonnixAXError::cannotComplete;
      byExtents = depth == 0 && ((answer && !*answer) || isRefused);
      if (byExtents) layout = startLayout(from, coordinates);
    }
    int budget = kMaximumChildrenWalked;
    if (byExtents) child = childByExtents(from, x, y, budget, coordinates, layout);
    if (!child || child->path() == from.object.path()) break;
    from.object = *child;
  }
  // Not every move is told (a scrolled list's rows): a reused answer holds
  // only while the object found is still under the point.
  if (isReused && from.object.path() != window.object.path()) {
    const auto now = elements_.extents({from.object, from.processIdentifier, coordinates});
    if (!now || !holdsPoint(*now, x, y)) {
      layouts_.erase(windowKey);
      return descend(window, x, y, coordinates, isWalked);
    }
  }
  return from.object;
}

std::optional<TonnixAtspiObjectRef> TonnixAtspiHitTest::childByExtents(
    const TonnixAtspiTarget& parent, int x, int y, int& budget, AtspiCoordType coordinates,
    Layout* layout) {
  const auto places = placesOf(parent, coordinates, layout);
  if (!places) return std::nullopt;
  // Later children are drawn over earlier ones.
  for (auto place = places->rbegin(); place != places->rend() && budget > 0; ++place, --budget) {
    if (place->extents && holdsPoint(*place->extents, x, y)) return childAt(parent, *place, layout);
    if (place->extents) continue;
    // An object without a place of its own (GTK 4's stack pages) is looked
    // through.
    if (const auto page = childAt(parent, *place, layout)) {
      const TonnixAtspiTarget target{*page, parent.processIdentifier};
      if (auto inside = childByExtents(target, x, y, budget, coordinates, layout)) return inside;
    }
  }
  return std::nullopt;
}

std::optional<std::vector<TonnixAtspiChildPlace>> TonnixAtspiHitTest::placesOf(
    const TonnixAtspiTarget& parent, AtspiCoordType coordinates, Layout* layout) {
  const QString key = keyOf(parent.object);
  if (layout) {
    if (const auto known = layout->children.find(key); known != layout->children.end()) {
      return known->second;
    }
  }
  auto read =
      readAtspiChildPlaces(elements_.connection(), parent, coordinates, kMaximumChildrenWalked);
  if (!read) return std::nullopt;
  if (layout) {
    layout->keys.insert(key);
    for (const auto& place : *read) layout->keys.insert(place.key);
    layout->children[key] = *read;
  }
  return std::move(*read);
}

std::optional<TonnixAtspiObjectRef> TonnixAtspiHitTest::childAt(const TonnixAtspiTarget& parent,
                                                                const TonnixAtspiChildPlace& place,
                                                                Layout* layout) {
  if (layout) {
    if (const auto known = layout->objects.find(place.key); known != layout->objects.end()) {
      return known->second.first;
    }
  }
  const auto child =
      elements_.connection().child(parent.processIdentifier, parent.object, place.index);
  // The children changed since they were listed.
  if (!child || !*child || keyOf(*child) != place.key) return std::nullopt;
  if (layout) layout->objects[place.key].first = *child;
  return *child;
}

std::optional<AtspiRole> TonnixAtspiHitTest::roleOf(const TonnixAtspiTarget& target,
                                                    Layout* layout) {
  const QString key = keyOf(target.object);
  if (layout) {
    if (const auto known = layout->objects.find(key);
        known != layout->objects.end() && known->second.second) {
      return known->second.second;
    }
  }
  const auto role = elements_.role(target);
  if (!role) return std::nullopt;
  if (layout) {
    layout->objects[key] = {target.object, *role};
    layout->keys.insert(key);
  }
  return *role;
}

TonnixAtspiHitTest::Layout* TonnixAtspiHitTest::startLayout(const TonnixAtspiTarget& window,
                                                            AtspiCoordType coordinates) {
  if (!isFollowing_) {
    // Subscribing asks the registry and waits for it: not while a press
    // waits for its sound.
    if (!isFollowingSoon_) {
      isFollowingSoon_ = true;
      QTimer::singleShot(0, &layoutsExpiry_, [this] { followLayoutChanges(); });
    }
    return nullptr;
  }
  if (layouts_.size() >= kMaximumLayouts) layouts_.clear();
  const QString key = keyOf(window.object);
  Layout& layout = layouts_[key];
  layout = Layout{window.processIdentifier, coordinates, {}, {}, {key}};
  layoutsExpiry_.start();
  return &layout;
}

void TonnixAtspiHitTest::followLayoutChanges() {
  isFollowingSoon_ = false;
  if (isFollowing_) return;
  auto& connection = elements_.connection();
  for (std::size_t index = 0; index < std::size(kLayoutEvents); ++index) {
    if (!connection.subscribe(kLayoutEvents[index])) {
      while (index-- > 0) connection.unsubscribe(kLayoutEvents[index]);
      return;
    }
  }
  isFollowing_ = true;
  layoutsExpiry_.start();
}

void TonnixAtspiHitTest::forgetLayouts() {
  layouts_.clear();
  if (!isFollowing_) return;
  isFollowing_ = false;
  for (const QString& type : kLayoutEvents) elements_.connection().unsubscribe(type);
}

void TonnixAtspiHitTest::forget(const std::vector<TonnixAtspiEventRecord>& batch) {
  for (const auto& record : batch) {
    if (layouts_.empty()) return;
    if (std::find(std::begin(kLayoutEvents), std::end(kLayoutEvents), record.event.type) ==
        std::end(kLayoutEvents)) {
      continue;
    }
    std::erase_if(layouts_, [&](const auto& entry) {
      return entry.second.keys.contains(record.event.elementKey);
    });
  }
}

std::optional<TonnixAXElement> TonnixAtspiHitTest::hit(
    const std::vector<TonnixAtspiTarget>& applications, int x, int y, bool consultStacking) {
  // Before any window is read: what it tells may drop what was read.
  watcher_.processPendingEvents();
  std::optional<std::int32_t> onTop;
  if (consultStacking && watcher_.hasWindowManager()) {
    // The desktop, or a frame the window manager draws, makes no sound.
    const TonnixX11WatchedWindow* window = watcher_.windowAt(QPoint(x, y));
    if (!window || !window->client.contains(x, y)) return std::nullopt;
    onTop = window->processIdentifier;
  }
  if (onTop == ownProcessIdentifier_) return std::nullopt;
  const bool byProcess = onTop && *onTop != 0;
  if (Clock::now() > windowsExpireAt_) windows_.clear();
  std::vector<const Window*> windows;
  for (const auto& application : applications) {
    if (application.processIdentifier == ownProcessIdentifier_) continue;
    if (byProcess && application.processIdentifier != *onTop) continue;
    for (const Window& window : windowsOf(application)) windows.push_back(&window);
  }
  std::stable_partition(windows.begin(), windows.end(),
                        [](const Window* window) { return window->isActive; });
  for (const Window* window : windows) {
    if (window->extents && holdsPoint(*window->extents, x, y)) {
      const auto found = descend(window->target, x - window->origin.x(), y - window->origin.y(),
                                 window->coordinates, window->isWalked);
      return elements_.wrap({found, window->target.processIdentifier, window->coordinates,
                             window->origin, window->target.object});
    }
  }
  return std::nullopt;
}

const std::vector<TonnixAtspiHitTest::Window>& TonnixAtspiHitTest::windowsOf(
    const TonnixAtspiTarget& application) {
  if (windows_.empty()) {
    const auto now = Clock::now();
    windowsExpireAt_ =
        now + (now - windowsChangedAt_ < kWindowsSettle ? kWindowsSettle : kWindowsReuse);
  }
  const auto known = windows_.find(application.processIdentifier);
  if (known != windows_.end()) return known->second;
  std::vector<Window> windows;
  if (const auto found = elements_.windows(application)) {
    const bool isWalked = answersPointsWrongly(application);
    for (const auto& target : *found) {
      const auto extents = elements_.extents(target);
      Window window{target,
                    extents ? std::optional(*extents) : std::nullopt,
                    elements_.hasState(target, ATSPI_STATE_ACTIVE),
                    ATSPI_COORD_TYPE_SCREEN,
                    QPoint(),
                    isWalked};
      placeOnScreen(window);
      windows.push_back(std::move(window));
    }
  }
  return windows_[application.processIdentifier] = std::move(windows);
}

// GTK 4 answers a question about a point with nothing, or with its deepest
// object there (a button's label) rather than the child of the object
// asked. Asked once per application.
bool TonnixAtspiHitTest::answersPointsWrongly(const TonnixAtspiTarget& application) {
  const QString busName = application.object.busName();
  if (const auto known = answersWrongly_.find(busName); known != answersWrongly_.end()) {
    return known->second;
  }
  QString name;
  QString version;
  const auto read = elements_.connection().call(application.processIdentifier, [&](GError** error) {
    name = atspiTakeString(atspi_accessible_get_toolkit_name(application.object.get(), error));
    if (!*error) {
      version =
          atspiTakeString(atspi_accessible_get_toolkit_version(application.object.get(), error));
    }
  });
  if (!read) return false;
  const bool isGtk4 = name == QLatin1String("GTK") && version.startsWith(QLatin1String("4."));
  return answersWrongly_[busName] = isGtk4;
}

// A toolkit that cannot tell where its window is on the screen (GTK 4 on
// X11 says so on its standard error) reports the window at 0,0 and what is
// in it relative to the window. Where the X server has the process's window
// of that size, or its only one, elsewhere, the toolkit's window
// coordinates start there.
void TonnixAtspiHitTest::placeOnScreen(Window& window) {
  if (!window.extents || window.extents->x != 0 || window.extents->y != 0) return;
  const QSize size(window.extents->width, window.extents->height);
  const TonnixX11WatchedWindow* match = nullptr;
  int candidates = 0;
  for (const TonnixX11WatchedWindow* candidate : watcher_.windows()) {
    if (candidate->processIdentifier != window.target.processIdentifier || !candidate->isViewable ||
        candidate->isHidden) {
      continue;
    }
    if (candidate->client.size() == size) {
      match = candidate;
      break;
    }
    if (candidates++ == 0) match = candidate;
  }
  const bool isSameSize = match && match->client.size() == size;
  if (!match || (!isSameSize && candidates > 1) || match->client.topLeft().isNull()) return;
  window.coordinates = ATSPI_COORD_TYPE_WINDOW;
  window.origin = match->client.topLeft();
  window.extents->x += window.origin.x();
  window.extents->y += window.origin.y();
}
