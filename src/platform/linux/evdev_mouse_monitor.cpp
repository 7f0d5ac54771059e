#include "platform/linux/evdev_mouse_monitor.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#undef signals
#include <fcntl.h>
#include <gio/gio.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "support/diagnostics.h"

namespace {

constexpr const char* mouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* touchpadSchema = "org.gnome.desktop.peripherals.touchpad";

void say(const std::string& text) {
  tonnixDiagnostic("TonnixMouseMonitor", text);
}

GSettings* settingsIfInstalled(const char* schemaName) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaName, TRUE);
  if (!schema) return nullptr;
  g_settings_schema_unref(schema);
  return g_settings_new(schemaName);
}

bool isEventNode(const char* node) {
  return node && std::strncmp(node, "/dev/input/event", 16) == 0;
}

// The device's own state of the button, for resuming after a drop.
bool isHeld(int fd, std::uint16_t button) {
  std::array<unsigned char, KEY_MAX / 8 + 1> bits{};
  if (ioctl(fd, EVIOCGKEY(bits.size()), bits.data()) < 0) return false;
  return (bits[button / 8] >> (button % 8)) & 1u;
}

}  // namespace

const char* const TonnixEvdevMouseMonitor::udevRule =
    "SUBSYSTEM==\"input\", KERNEL==\"event*\", ENV{ID_INPUT_KEYBOARD}!=\"1\", "
    "ENV{ID_INPUT_KEY}!=\"1\", ENV{ID_INPUT_MOUSE}==\"1\", TAG+=\"uaccess\"\n"
    "SUBSYSTEM==\"input\", KERNEL==\"event*\", ENV{ID_INPUT_KEYBOARD}!=\"1\", "
    "ENV{ID_INPUT_KEY}!=\"1\", ENV{ID_INPUT_TOUCHPAD}==\"1\", TAG+=\"uaccess\"\n";

// GNOME's left-handed switches: the mouse's, and the touchpad's, which
// may follow the mouse's ("mouse") or be set on its own.
class TonnixEvdevMouseMonitor::LeftHanded {
 public:
  explicit LeftHanded(TonnixEvdevMouseMonitor& monitor)
      : monitor_(monitor),
        mouse_(settingsIfInstalled(mouseSchema)),
        touchpad_(settingsIfInstalled(touchpadSchema)) {
    for (GSettings* settings : {mouse_, touchpad_}) {
      if (settings) {
        g_signal_connect(settings, "changed::left-handed", G_CALLBACK(&LeftHanded::changed), this);
      }
    }
  }
  ~LeftHanded() {
    for (GSettings* settings : {mouse_, touchpad_}) {
      if (settings) g_object_unref(settings);
    }
  }
  LeftHanded(const LeftHanded&) = delete;
  LeftHanded& operator=(const LeftHanded&) = delete;

  std::uint16_t primaryButton(bool isTouchpad) const {
    bool left = mouse_ && g_settings_get_boolean(mouse_, "left-handed");
    if (isTouchpad && touchpad_) {
      gchar* choice = g_settings_get_string(touchpad_, "left-handed");
      if (std::strcmp(choice, "mouse") != 0) left = std::strcmp(choice, "left") == 0;
      g_free(choice);
    }
    return left ? BTN_RIGHT : BTN_LEFT;
  }

 private:
  static void changed(GSettings*, gchar*, gpointer self) {
    static_cast<LeftHanded*>(self)->monitor_.applyHandedness();
  }

  TonnixEvdevMouseMonitor& monitor_;
  GSettings* mouse_;
  GSettings* touchpad_;
};

struct TonnixEvdevMouseMonitor::Device {
  std::string node;
  int fd = -1;
  libevdev* evdev = nullptr;
  bool isTouchpad = false;
  TonnixEvdevButtonDecoder decoder;
  std::unique_ptr<QSocketNotifier> notifier;

  ~Device() {
    notifier.reset();
    libevdev_free(evdev);
    if (fd >= 0) close(fd);
  }
};

TonnixExpected<std::unique_ptr<TonnixEvdevMouseMonitor>, QString>
TonnixEvdevMouseMonitor::connect() {
  if (!QCoreApplication::instance()) {
    return unexpected(QStringLiteral("no event loop to deliver mouse events on"));
  }
  udev* context = udev_new();
  if (!context) return unexpected(QStringLiteral("no udev"));
  udev_monitor* hotPlug = udev_monitor_new_from_netlink(context, "udev");
  if (hotPlug) {
    udev_monitor_filter_add_match_subsystem_devtype(hotPlug, "input", nullptr);
    udev_monitor_enable_receiving(hotPlug);
  }
  return std::unique_ptr<TonnixEvdevMouseMonitor>(new TonnixEvdevMouseMonitor(context, hotPlug));
}

QString TonnixEvdevMouseMonitor::description() {
  return QStringLiteral(
      "pointer devices (evdev): presses and releases; the control from what the application "
      "announces");
}

TonnixEvdevMouseMonitor::TonnixEvdevMouseMonitor(udev* context, udev_monitor* hotPlug)
    : udev_(context), hotPlug_(hotPlug), leftHanded_(std::make_unique<LeftHanded>(*this)) {
  if (!hotPlug_) return;
  hotPlugNotifier_ =
      std::make_unique<QSocketNotifier>(udev_monitor_get_fd(hotPlug_), QSocketNotifier::Read);
  hotPlugNotifier_->setEnabled(false);
  QObject::connect(hotPlugNotifier_.get(), &QSocketNotifier::activated, hotPlugNotifier_.get(),
                   [this] { hotPlugged(); });
}

TonnixEvdevMouseMonitor::~TonnixEvdevMouseMonitor() {
  devices_.clear();
  hotPlugNotifier_.reset();
  if (hotPlug_) udev_monitor_unref(hotPlug_);
  udev_unref(udev_);
}

bool TonnixEvdevMouseMonitor::startWatching(TonnixMouseEventKind kind) {
  if (kind != TonnixMouseEventKind::leftMouseDown && kind != TonnixMouseEventKind::leftMouseUp) {
    return false;
  }
  if (devices_.empty()) openAll();
  return true;
}

void TonnixEvdevMouseMonitor::stopWatching(TonnixMouseEventKind) {
  if (!isWatchingAnything()) closeAll();
}

void TonnixEvdevMouseMonitor::openAll() {
  if (hotPlugNotifier_) hotPlugNotifier_->setEnabled(true);
  udev_enumerate* enumerate = udev_enumerate_new(udev_);
  udev_enumerate_add_match_subsystem(enumerate, "input");
  udev_enumerate_scan_devices(enumerate);
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
    udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
    if (!device) continue;
    open(device);
    udev_device_unref(device);
  }
  udev_enumerate_unref(enumerate);
  if (devices_.empty() && !toldUnreadable_ && !toldNone_) {
    toldNone_ = true;
    say("no mouse or touchpad found yet; clicks are heard once one is plugged in");
  }
}

void TonnixEvdevMouseMonitor::closeAll() {
  if (hotPlugNotifier_) hotPlugNotifier_->setEnabled(false);
  devices_.clear();
  holding_.clear();
}

void TonnixEvdevMouseMonitor::hotPlugged() {
  udev_device* device = udev_monitor_receive_device(hotPlug_);
  if (!device) return;
  const char* action = udev_device_get_action(device);
  const char* node = udev_device_get_devnode(device);
  if (action && node && std::strcmp(action, "remove") == 0) {
    if (devices_.erase(node) > 0 && holding_.contains(node)) changed(node, false);
  } else if (action && std::strcmp(action, "add") == 0) {
    open(device);
  }
  udev_device_unref(device);
}

void TonnixEvdevMouseMonitor::open(udev_device* device) {
  const char* node = udev_device_get_devnode(device);
  if (!isEventNode(node) || devices_.contains(node)) return;
  if (!isPointerDevice(
          [device](const char* name) { return udev_device_get_property_value(device, name); })) {
    return;
  }
  auto opened = std::make_unique<Device>();
  opened->node = node;
  opened->fd = ::open(node, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (opened->fd < 0) return sayUnreadable(node, errno);
  if (libevdev_new_from_fd(opened->fd, &opened->evdev) < 0 ||
      !libevdev_has_event_code(opened->evdev, EV_KEY, BTN_LEFT)) {
    return;  // a touchpad without buttons: its taps are the compositor's
  }
  // Kernel time stamps on the clock the rest of the program measures with.
  clockid_t clock = CLOCK_MONOTONIC;
  ioctl(opened->fd, EVIOCSCLOCKID, &clock);
  opened->isTouchpad = udev_device_get_property_value(device, "ID_INPUT_TOUCHPAD") != nullptr;
  (void)opened->decoder.setPrimaryButton(leftHanded_->primaryButton(opened->isTouchpad));
  opened->notifier = std::make_unique<QSocketNotifier>(opened->fd, QSocketNotifier::Read);
  Device& kept = *opened;
  QObject::connect(kept.notifier.get(), &QSocketNotifier::activated, kept.notifier.get(),
                   [this, &kept] { read(kept); });
  devices_.emplace(kept.node, std::move(opened));
  setAccessProblem(std::nullopt);
}

// Reads all there is before telling anyone: a slot may stop the watch,
// which closes the device.
void TonnixEvdevMouseMonitor::read(Device& device) {
  const std::string node = device.node;
  std::vector<bool> changes;
  std::array<std::byte, 64 * sizeof(input_event)> buffer{};
  for (;;) {
    const ssize_t count = ::read(device.fd, buffer.data(), buffer.size());
    if (count <= 0) {
      // Unplugged: udev says so too, but the descriptor must stop waking us now.
      if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
        device.notifier->setEnabled(false);
        changes.push_back(false);
      }
      break;
    }
    for (const auto& change :
         device.decoder.feedBytes(std::span(buffer.data(), static_cast<std::size_t>(count)))) {
      changes.push_back(change.pressed);
    }
    if (!device.decoder.needsResync()) continue;
    const bool held = isHeld(device.fd, device.decoder.primaryButton());
    if (const auto change = device.decoder.resync(held)) changes.push_back(change->pressed);
  }
  for (const bool pressed : changes) changed(node, pressed);
}

// The button is down while any device holds it, as for the one pointer
// all of them move.
void TonnixEvdevMouseMonitor::changed(const std::string& node, bool pressed) {
  const bool wasDown = !holding_.empty();
  if (pressed) {
    holding_.insert(node);
  } else {
    holding_.erase(node);
  }
  const bool isDown = !holding_.empty();
  if (isDown == wasDown) return;
  tell(isDown ? TonnixMouseEventKind::leftMouseDown : TonnixMouseEventKind::leftMouseUp, QPointF());
}

void TonnixEvdevMouseMonitor::applyHandedness() {
  std::vector<std::string> released;
  for (auto& [node, device] : devices_) {
    const auto change =
        device->decoder.setPrimaryButton(leftHanded_->primaryButton(device->isTouchpad));
    if (change) released.push_back(node);
  }
  for (const auto& node : released) changed(node, false);
}

QString pointerAccessAdvice(const std::filesystem::path& programFolder) {
  const QString need =
      QStringLiteral("Click sounds in Wayland windows need read access to mice and touchpads: ");
  if (programFolder == "/usr/bin") return need + QStringLiteral("install tonnix-pointer-access.");
  // A build from source installs no rule of its own: the rule is opt-in.
  return need + QStringLiteral(
                    "copy data/udev/70-tonnix-pointers.rules from Tonnix's source "
                    "to /etc/udev/rules.d and restart the computer.");
}

void TonnixEvdevMouseMonitor::sayUnreadable(const std::string& node, int error) {
  if (error != EACCES && error != EPERM) return;
  setAccessProblem(pointerAccessAdvice(QCoreApplication::applicationDirPath().toStdString()));
  if (toldUnreadable_) return;
  toldUnreadable_ = true;
  say("cannot read the pointer devices (" + node + ": " + std::strerror(error) +
      "), so clicks on Wayland windows make no sound. To let the user at the seat read mice and "
      "touchpads (never a device with keys), install the package tonnix-pointer-access, or put "
      "these lines in /etc/udev/rules.d/70-tonnix-pointers.rules and run 'sudo udevadm control "
      "--reload && sudo udevadm trigger --subsystem-match=input':\n" +
      std::string(udevRule));
}
