#include "platform/linux/xinput_mouse_monitor.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>

#include "platform/linux/x11_connection.h"
#include "support/diagnostics.h"

// After Qt's headers, which Xlib's macros (None, Status, Bool) would break.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace {

constexpr unsigned char primaryButton = 1;
constexpr std::uint32_t buttonEvents = (1u << XI_RawButtonPress) | (1u << XI_RawButtonRelease);
constexpr std::uint32_t motionEvents = 1u << XI_RawMotion;
// Still this long after moving, the pointer rests, and what lies under it
// is looked up: as soon as it stops, so that a press right on arrival finds
// it ready, yet longer than the gaps between the motion events of a mouse
// moved steadily (8 ms at 125 reports a second). A slow hand may rest
// more often; that costs work only while it moves.
constexpr std::chrono::milliseconds restDelay(10);

void say(const char* text) {
  tonnixDiagnostic("TonnixMouseMonitor", text);
}

}  // namespace

TonnixExpected<std::unique_ptr<TonnixXInputMouseMonitor>, QString>
TonnixXInputMouseMonitor::connect(const QString& displayName) {
  if (!QCoreApplication::instance()) {
    return unexpected(QStringLiteral("no event loop to deliver mouse events on"));
  }
  const QByteArray name = displayName.toLocal8Bit();
  if (name.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")) {
    return unexpected(QStringLiteral("no X display (DISPLAY is not set)"));
  }
  const QString shownName =
      QString::fromLocal8Bit(XDisplayName(name.isEmpty() ? nullptr : name.constData()));
  auto connection = std::make_unique<TonnixX11Connection>(name);
  Display* display = connection->display();
  if (!display) {
    return unexpected(QStringLiteral("could not connect to X display %1").arg(shownName));
  }

  int opcode = 0;
  int firstEvent = 0;
  int firstError = 0;
  int major = 2;
  int minor = 2;
  if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError) ||
      XIQueryVersion(display, &major, &minor) != Success || major < 2) {
    return unexpected(QStringLiteral("X display %1 has no XInput 2").arg(shownName));
  }
  QString description =
      QStringLiteral("XInput %1.%2 raw events on %3").arg(major).arg(minor).arg(shownName);
  int unused = 0;
  if (XQueryExtension(display, "XWAYLAND", &unused, &unused, &unused)) {
    description += QStringLiteral(" (XWayland: only clicks on X11 windows are heard)");
  }
  return std::unique_ptr<TonnixXInputMouseMonitor>(
      new TonnixXInputMouseMonitor(std::move(connection), opcode, std::move(description)));
}

TonnixXInputMouseMonitor::TonnixXInputMouseMonitor(std::unique_ptr<TonnixX11Connection> connection,
                                                   int extensionOpcode, QString description)
    : connection_(std::move(connection)),
      display_(connection_->display()),
      extensionOpcode_(extensionOpcode),
      description_(std::move(description)),
      notifier_(
          std::make_unique<QSocketNotifier>(XConnectionNumber(display_), QSocketNotifier::Read)),
      restTimer_(std::make_unique<QTimer>()) {
  connection_->whenLost([this] { connectionLost(); });
  restTimer_->setSingleShot(true);
  restTimer_->setInterval(restDelay);
  QObject::connect(restTimer_.get(), &QTimer::timeout, restTimer_.get(), [this] { rested(); });
  readButtonMap();
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { readEvents(); });
}

// The notifier goes before the connection it watches.
TonnixXInputMouseMonitor::~TonnixXInputMouseMonitor() = default;

bool TonnixXInputMouseMonitor::startWatching(TonnixMouseEventKind) {
  if (!connected_) return false;
  updateSelection();
  return connected_;
}

void TonnixXInputMouseMonitor::stopWatching(TonnixMouseEventKind) {
  updateSelection();
}

// Called from inside the Xlib call that found the connection broken; Xlib
// refuses further requests on it from then on, and returns.
void TonnixXInputMouseMonitor::connectionLost() {
  connected_ = false;
  holdingDevices_.clear();
  dragPending_ = false;
  if (notifier_) notifier_->setEnabled(false);
  say("lost the connection to the X server; clicks are no longer heard");
}

// Drains everything the server sent. A burst of motion is told once, with
// the pointer where it is when the burst has been read. Slots run
// inside; should one spin the event loop, the outer call keeps reading, so
// events are never delivered out of order.
void TonnixXInputMouseMonitor::readEvents() {
  if (reading_) return;
  reading_ = true;
  while (connected_) {
    if (XPending(display_) == 0) {
      if (!dragPending_) break;
      dragPending_ = false;
      deliverAtPointer(TonnixMouseEventKind::leftMouseDragged);
      continue;
    }
    XEvent event;
    XNextEvent(display_, &event);
    handle(event);
  }
  reading_ = false;
}

void TonnixXInputMouseMonitor::handle(XEvent& event) {
  if (event.type == MappingNotify) {
    if (event.xmapping.request == MappingPointer) readButtonMap();
    return;
  }
  XGenericEventCookie& cookie = event.xcookie;
  if (cookie.type != GenericEvent || cookie.extension != extensionOpcode_) return;
  if (!XGetEventData(display_, &cookie)) return;
  const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
  const int type = raw->evtype;
  const int button = raw->detail;
  const int source = raw->sourceid;
  XFreeEventData(display_, &cookie);

  if (type == XI_RawMotion) {
    dragPending_ = !holdingDevices_.empty();
    if (holdingDevices_.empty() && followsRests()) {
      if (!restTimer_->isActive()) tell(TonnixMouseEventKind::pointerMoved, QPointF());
      restTimer_->start();
    }
    return;
  }
  if ((type != XI_RawButtonPress && type != XI_RawButtonRelease) || !isPrimaryButton(button)) {
    return;
  }
  if (dragPending_) {
    dragPending_ = false;
    deliverAtPointer(TonnixMouseEventKind::leftMouseDragged);
  }
  if (type == XI_RawButtonPress) {
    press(source);
  } else {
    release(source);
  }
}

void TonnixXInputMouseMonitor::press(int sourceDevice) {
  const bool wasUp = holdingDevices_.empty();
  holdingDevices_.insert(sourceDevice);
  if (!wasUp) return;
  restTimer_->stop();
  updateSelection();
  deliverAtPointer(TonnixMouseEventKind::leftMouseDown);
}

// A release with no press seen (the button went down before we listened)
// is still a release.
void TonnixXInputMouseMonitor::release(int sourceDevice) {
  holdingDevices_.erase(sourceDevice);
  if (!holdingDevices_.empty()) return;
  updateSelection();
  deliverAtPointer(TonnixMouseEventKind::leftMouseUp);
}

void TonnixXInputMouseMonitor::rested() {
  if (connected_ && holdingDevices_.empty()) {
    deliverAtPointer(TonnixMouseEventKind::pointerRested);
  }
}

void TonnixXInputMouseMonitor::deliverAtPointer(TonnixMouseEventKind kind) {
  if (!isWatching(kind)) return;
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int buttons = 0;
  XQueryPointer(display_, XDefaultRootWindow(display_), &root, &child, &rootX, &rootY, &windowX,
                &windowY, &buttons);
  if (!connected_) return;
  tell(kind, QPointF(rootX, rootY));
}

bool TonnixXInputMouseMonitor::followsRests() const {
  return isWatching(TonnixMouseEventKind::pointerRested) ||
         isWatching(TonnixMouseEventKind::pointerMoved);
}

bool TonnixXInputMouseMonitor::isPrimaryButton(int button) const {
  if (buttonMap_.empty()) return button == primaryButton;
  if (button < 1 || static_cast<std::size_t>(button) > buttonMap_.size()) return false;
  return buttonMap_[static_cast<std::size_t>(button) - 1] == primaryButton;
}

void TonnixXInputMouseMonitor::readButtonMap() {
  std::array<unsigned char, 256> map{};
  const int count = XGetPointerMapping(display_, map.data(), static_cast<int>(map.size()));
  if (!connected_) return;
  buttonMap_.assign(map.begin(), map.begin() + std::clamp(count, 0, static_cast<int>(map.size())));
}

// Buttons are selected while anything is watched, motion only while
// the button is held and somebody watches drags.
void TonnixXInputMouseMonitor::updateSelection() {
  if (!connected_) return;
  if (!isWatchingAnything()) holdingDevices_.clear();
  std::uint32_t wanted = isWatchingAnything() ? buttonEvents : 0;
  const bool followsDrags =
      !holdingDevices_.empty() && isWatching(TonnixMouseEventKind::leftMouseDragged);
  if (followsDrags || followsRests()) wanted |= motionEvents;
  if (wanted == selectedEvents_) return;

  std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
  for (int event = 0; event < 32; ++event) {
    if ((wanted >> event) & 1u) bits[static_cast<std::size_t>(event >> 3)] |= 1u << (event & 7);
  }
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
  XISelectEvents(display_, XDefaultRootWindow(display_), &mask, 1);
  XFlush(display_);
  if (!connected_) return;
  selectedEvents_ = wanted;
  // Should Xlib have read events while sending, the socket no longer says so.
  if (!reading_ && XEventsQueued(display_, QueuedAlready) > 0) {
    QMetaObject::invokeMethod(
        notifier_.get(), [this] { readEvents(); }, Qt::QueuedConnection);
  }
}
