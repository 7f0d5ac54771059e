#include "platform/linux/libinput_mouse_monitor.h"

#include <fcntl.h>
#include <libinput.h>
#include <libudev.h>
#include <linux/input.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/linux/gsettings_pointer_settings.h"
#include "platform/linux/kde_pointer_settings.h"
#include "platform/linux/pointer_devices.h"
#include "support/diagnostics.h"

namespace {

// libinput's own complaints (a device it cannot use, events read late),
// through the program's diagnostics.
void logLibinput(libinput*, libinput_log_priority, const char* format, va_list arguments) {
  std::array<char, 512> line{};
  std::vsnprintf(line.data(), line.size(), format, arguments);
  std::string text = line.data();
  while (!text.empty() && text.back() == '\n') text.pop_back();
  tonnixDiagnostic("TonnixMouseMonitor", "libinput: " + text);
}

bool isEventNode(const char* node) {
  return node && std::strncmp(node, "/dev/input/event", 16) == 0;
}

std::unique_ptr<TonnixPointerSettingsSource> desktopPointerSettings() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  if (desktop && std::strstr(desktop, "KDE")) {
    const auto config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return makeKdePointerSettings(std::filesystem::path(config.toStdString()) / "kcminputrc");
  }
  return makeGSettingsPointerSettings();
}

libinput_config_click_method clickMethodOf(const TonnixPointerSettings& settings,
                                           libinput_device* device) {
  using ClickMethod = TonnixPointerSettings::ClickMethod;
  if (!settings.clickMethod) return libinput_device_config_click_get_default_method(device);
  switch (*settings.clickMethod) {
    case ClickMethod::buttonAreas:
      return LIBINPUT_CONFIG_CLICK_METHOD_BUTTON_AREAS;
    case ClickMethod::clickFinger:
      return LIBINPUT_CONFIG_CLICK_METHOD_CLICKFINGER;
    case ClickMethod::none:
      return LIBINPUT_CONFIG_CLICK_METHOD_NONE;
  }
  return LIBINPUT_CONFIG_CLICK_METHOD_NONE;
}

libinput_config_send_events_mode sendEventsOf(const TonnixPointerSettings& settings) {
  using SendEvents = TonnixPointerSettings::SendEvents;
  switch (settings.sendEvents.value_or(SendEvents::enabled)) {
    case SendEvents::enabled:
      return LIBINPUT_CONFIG_SEND_EVENTS_ENABLED;
    case SendEvents::disabled:
      return LIBINPUT_CONFIG_SEND_EVENTS_DISABLED;
    case SendEvents::disabledOnExternalMouse:
      return LIBINPUT_CONFIG_SEND_EVENTS_DISABLED_ON_EXTERNAL_MOUSE;
  }
  return LIBINPUT_CONFIG_SEND_EVENTS_ENABLED;
}

// Each setting the device offers, its default where the desktop sets none,
// so that a setting taken back undoes itself.
void applySettings(libinput_device* device, const TonnixPointerSettings& settings) {
  if (libinput_device_config_left_handed_is_available(device)) {
    libinput_device_config_left_handed_set(
        device,
        settings.leftHanded.value_or(libinput_device_config_left_handed_get_default(device)));
  }
  if (libinput_device_config_tap_get_finger_count(device) > 0) {
    const bool tap = settings.tapToClick.value_or(
        libinput_device_config_tap_get_default_enabled(device) == LIBINPUT_CONFIG_TAP_ENABLED);
    libinput_device_config_tap_set_enabled(
        device, tap ? LIBINPUT_CONFIG_TAP_ENABLED : LIBINPUT_CONFIG_TAP_DISABLED);
    const bool drag =
        settings.tapAndDrag.value_or(libinput_device_config_tap_get_default_drag_enabled(device) ==
                                     LIBINPUT_CONFIG_DRAG_ENABLED);
    libinput_device_config_tap_set_drag_enabled(
        device, drag ? LIBINPUT_CONFIG_DRAG_ENABLED : LIBINPUT_CONFIG_DRAG_DISABLED);
    libinput_device_config_tap_set_button_map(
        device, !settings.tapLeftMiddleRight
                    ? libinput_device_config_tap_get_default_button_map(device)
                : *settings.tapLeftMiddleRight ? LIBINPUT_CONFIG_TAP_MAP_LMR
                                               : LIBINPUT_CONFIG_TAP_MAP_LRM);
  }
  const auto method = clickMethodOf(settings, device);
  if (method == LIBINPUT_CONFIG_CLICK_METHOD_NONE ||
      (libinput_device_config_click_get_methods(device) & method)) {
    libinput_device_config_click_set_method(device, method);
  }
  if (libinput_device_config_middle_emulation_is_available(device)) {
    const bool middle = settings.middleEmulation.value_or(
        libinput_device_config_middle_emulation_get_default_enabled(device) ==
        LIBINPUT_CONFIG_MIDDLE_EMULATION_ENABLED);
    libinput_device_config_middle_emulation_set_enabled(
        device, middle ? LIBINPUT_CONFIG_MIDDLE_EMULATION_ENABLED
                       : LIBINPUT_CONFIG_MIDDLE_EMULATION_DISABLED);
  }
  const auto mode = sendEventsOf(settings);
  if (mode == LIBINPUT_CONFIG_SEND_EVENTS_ENABLED ||
      (libinput_device_config_send_events_get_modes(device) & mode)) {
    libinput_device_config_send_events_set_mode(device, mode);
  }
}

TonnixPointerDevice describe(libinput_device* device) {
  udev_device* udevDevice = libinput_device_get_udev_device(device);
  const bool isTouchpad =
      udevDevice && udev_device_get_property_value(udevDevice, "ID_INPUT_TOUCHPAD") != nullptr;
  if (udevDevice) udev_device_unref(udevDevice);
  return {libinput_device_get_name(device), libinput_device_get_id_vendor(device),
          libinput_device_get_id_product(device), isTouchpad};
}

}  // namespace

const char* const TonnixLibinputMouseMonitor::udevRule =
    "SUBSYSTEM==\"input\", KERNEL==\"event*\", ENV{ID_INPUT_KEYBOARD}!=\"1\", "
    "ENV{ID_INPUT_KEY}!=\"1\", ENV{ID_INPUT_MOUSE}==\"1\", TAG+=\"uaccess\"\n"
    "SUBSYSTEM==\"input\", KERNEL==\"event*\", ENV{ID_INPUT_KEYBOARD}!=\"1\", "
    "ENV{ID_INPUT_KEY}!=\"1\", ENV{ID_INPUT_TOUCHPAD}==\"1\", TAG+=\"uaccess\"\n";

TonnixExpected<std::unique_ptr<TonnixLibinputMouseMonitor>, QString>
TonnixLibinputMouseMonitor::connect(std::unique_ptr<TonnixPointerSettingsSource> settings) {
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
  if (!settings) settings = desktopPointerSettings();
  return std::unique_ptr<TonnixLibinputMouseMonitor>(
      new TonnixLibinputMouseMonitor(context, hotPlug, std::move(settings)));
}

QString TonnixLibinputMouseMonitor::description() {
  return QStringLiteral(
      "pointer devices (libinput): presses, releases and taps; the control from what the "
      "application announces");
}

TonnixLibinputMouseMonitor::TonnixLibinputMouseMonitor(
    udev* context, udev_monitor* hotPlug, std::unique_ptr<TonnixPointerSettingsSource> settings)
    : udev_(context), hotPlug_(hotPlug), settings_(std::move(settings)) {
  if (settings_) settings_->onChanged([this] { configureAll(); });
  if (!hotPlug_) return;
  hotPlugNotifier_ =
      std::make_unique<QSocketNotifier>(udev_monitor_get_fd(hotPlug_), QSocketNotifier::Read);
  hotPlugNotifier_->setEnabled(false);
  QObject::connect(hotPlugNotifier_.get(), &QSocketNotifier::activated, hotPlugNotifier_.get(),
                   [this] { hotPlugged(); });
}

TonnixLibinputMouseMonitor::~TonnixLibinputMouseMonitor() {
  closeAll();
  hotPlugNotifier_.reset();
  if (hotPlug_) udev_monitor_unref(hotPlug_);
  udev_unref(udev_);
}

bool TonnixLibinputMouseMonitor::startWatching(TonnixMouseEventKind kind) {
  if (kind != TonnixMouseEventKind::leftMouseDown && kind != TonnixMouseEventKind::leftMouseUp) {
    return false;
  }
  if (!libinput_) openAll();
  return true;
}

void TonnixLibinputMouseMonitor::stopWatching(TonnixMouseEventKind) {
  if (!isWatchingAnything()) closeAll();
}

// Read-only whatever libinput asks for: Tonnix only listens.
int TonnixLibinputMouseMonitor::openRestricted(const char* path, int flags, void* self) {
  const int fd = ::open(path, (flags & ~O_ACCMODE) | O_RDONLY | O_CLOEXEC);
  if (fd >= 0) return fd;
  const int error = errno;
  static_cast<TonnixLibinputMouseMonitor*>(self)->sayUnreadable(path, error);
  return -error;
}

void TonnixLibinputMouseMonitor::closeRestricted(int fd, void*) {
  close(fd);
}

void TonnixLibinputMouseMonitor::openAll() {
  static const libinput_interface interface = {&openRestricted, &closeRestricted};
  libinput_ = libinput_path_create_context(&interface, this);
  if (!libinput_) return;
  libinput_log_set_handler(libinput_, &logLibinput);
  libinputNotifier_ =
      std::make_unique<QSocketNotifier>(libinput_get_fd(libinput_), QSocketNotifier::Read);
  QObject::connect(libinputNotifier_.get(), &QSocketNotifier::activated, libinputNotifier_.get(),
                   [this] { dispatch(); });
  if (hotPlugNotifier_) hotPlugNotifier_->setEnabled(true);
  udev_enumerate* enumerate = udev_enumerate_new(udev_);
  udev_enumerate_add_match_subsystem(enumerate, "input");
  udev_enumerate_scan_devices(enumerate);
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
    udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
    if (!device) continue;
    add(device);
    udev_device_unref(device);
  }
  udev_enumerate_unref(enumerate);
  if (devices_.empty() && !toldUnreadable_ && !toldNone_) {
    toldNone_ = true;
    tonnixDiagnostic("TonnixMouseMonitor",
                     "no mouse or touchpad found yet; clicks are heard once one is plugged in");
  }
}

void TonnixLibinputMouseMonitor::closeAll() {
  if (hotPlugNotifier_) hotPlugNotifier_->setEnabled(false);
  libinputNotifier_.reset();
  for (const auto& [node, device] : devices_) libinput_device_unref(device);
  devices_.clear();
  if (libinput_) libinput_unref(libinput_);
  libinput_ = nullptr;
  isDown_ = false;
}

void TonnixLibinputMouseMonitor::hotPlugged() {
  udev_device* device = udev_monitor_receive_device(hotPlug_);
  if (!device) return;
  const char* action = udev_device_get_action(device);
  const char* node = udev_device_get_devnode(device);
  const auto known = node ? devices_.find(node) : devices_.end();
  if (action && std::strcmp(action, "remove") == 0 && known != devices_.end()) {
    // libinput lets go of the device's held buttons, told by the next dispatch.
    libinput_path_remove_device(known->second);
    libinput_device_unref(known->second);
    devices_.erase(known);
    dispatch();
  } else if (action && std::strcmp(action, "add") == 0) {
    add(device);
  }
  udev_device_unref(device);
}

void TonnixLibinputMouseMonitor::add(udev_device* device) {
  const char* node = udev_device_get_devnode(device);
  if (!libinput_ || !isEventNode(node) || devices_.contains(node)) return;
  if (!isPointerDevice(
          [device](const char* name) { return udev_device_get_property_value(device, name); })) {
    return;
  }
  libinput_device* added = libinput_path_add_device(libinput_, node);
  if (!added) return;
  if (libinput_device_has_capability(added, LIBINPUT_DEVICE_CAP_KEYBOARD)) {
    libinput_path_remove_device(added);
    return;
  }
  devices_.emplace(node, libinput_device_ref(added));
  configure(added);
  setAccessProblem(std::nullopt);
}

void TonnixLibinputMouseMonitor::configure(libinput_device* device) const {
  applySettings(device,
                settings_ ? settings_->settingsFor(describe(device)) : TonnixPointerSettings{});
}

void TonnixLibinputMouseMonitor::configureAll() {
  for (const auto& [node, device] : devices_) configure(device);
}

// Takes all libinput has before telling anyone: a slot may stop the watch,
// which closes the devices. The button is down while any device holds it,
// as for the one pointer all of them move: libinput counts the seat's.
void TonnixLibinputMouseMonitor::dispatch() {
  if (!libinput_) return;
  libinput_dispatch(libinput_);
  std::vector<bool> changes;
  while (libinput_event* event = libinput_get_event(libinput_)) {
    libinput_event_pointer* pointer =
        libinput_event_get_type(event) == LIBINPUT_EVENT_POINTER_BUTTON
            ? libinput_event_get_pointer_event(event)
            : nullptr;
    if (pointer && libinput_event_pointer_get_button(pointer) == BTN_LEFT) {
      const bool pressed =
          libinput_event_pointer_get_button_state(pointer) == LIBINPUT_BUTTON_STATE_PRESSED;
      const auto held = libinput_event_pointer_get_seat_button_count(pointer);
      if (held == (pressed ? 1u : 0u)) changes.push_back(pressed);
    }
    libinput_event_destroy(event);
  }
  for (const bool pressed : changes) {
    if (pressed == isDown_) continue;
    isDown_ = pressed;
    tell(pressed ? TonnixMouseEventKind::leftMouseDown : TonnixMouseEventKind::leftMouseUp,
         QPointF());
  }
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

void TonnixLibinputMouseMonitor::sayUnreadable(const std::string& node, int error) {
  if (error != EACCES && error != EPERM) return;
  setAccessProblem(pointerAccessAdvice(QCoreApplication::applicationDirPath().toStdString()));
  if (toldUnreadable_) return;
  toldUnreadable_ = true;
  tonnixDiagnostic(
      "TonnixMouseMonitor",
      "cannot read the pointer devices (" + node + ": " + std::strerror(error) +
          "), so clicks on Wayland windows make no sound. To let the user at the seat read mice "
          "and touchpads (never a device with keys), install the package tonnix-pointer-access, "
          "or put these lines in /etc/udev/rules.d/70-tonnix-pointers.rules and run 'sudo "
          "udevadm control --reload && sudo udevadm trigger --subsystem-match=input':\n" +
          std::string(udevRule));
}
