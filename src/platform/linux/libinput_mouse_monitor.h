#pragma once

#include <QString>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/linux/pointer_settings.h"
#include "platform/mouse_monitor.h"
#include "support/expected.h"

class QSocketNotifier;
struct libinput;
struct libinput_device;
struct udev;
struct udev_device;
struct udev_monitor;

// What gives the user at the seat read access to the pointer devices, for
// a Tonnix whose program lies in `programFolder`: the package that comes
// with a distribution's build in /usr, else the rule file of the source
// tree, to be copied where udev reads it.
QString pointerAccessAdvice(const std::filesystem::path& programFolder);

// The primary button on a Wayland session, as the compositor makes it:
// the kernel's pointer devices (/dev/input/event*, mice and touchpads only)
// read through libinput, the library compositors turn them into clicks
// with, configured as the desktop configures its compositor (taps, the
// bottom corner's software button, clickfinger, left-handed swapping).
// The compositor keeps the pointer's position to itself, so presses and
// releases come without a location (locatesPresses() is false) and drags
// cannot be watched. Devices plugged in later are followed through udev.
// Reading the devices needs the udev rule Tonnix installs; without it, one
// line says so and how to install it, and accessProblem() says what grants it.
//
// Devices are open, read-only, only while something is watched; of what
// libinput makes of them only the primary button is kept. Main thread only,
// with the Qt application made; events are signalled from the event loop.
class TonnixLibinputMouseMonitor : public TonnixMouseMonitor {
 public:
  // With the desktop's own settings (KDE's on KDE Plasma, else GNOME's),
  // or `settings` when given. The error says why no monitor can be made (no udev).
  static TonnixExpected<std::unique_ptr<TonnixLibinputMouseMonitor>, QString> connect(
      std::unique_ptr<TonnixPointerSettingsSource> settings = nullptr);
  ~TonnixLibinputMouseMonitor() override;
  TonnixLibinputMouseMonitor(const TonnixLibinputMouseMonitor&) = delete;
  TonnixLibinputMouseMonitor& operator=(const TonnixLibinputMouseMonitor&) = delete;

  static QString description();
  bool locatesPresses() const override { return false; }
  // The rule that lets the seat's user read pointer devices, as installed.
  static const char* const udevRule;

 protected:
  bool startWatching(TonnixMouseEventKind kind) override;
  void stopWatching(TonnixMouseEventKind kind) override;

 private:
  TonnixLibinputMouseMonitor(udev* context, udev_monitor* hotPlug,
                             std::unique_ptr<TonnixPointerSettingsSource> settings);
  static int openRestricted(const char* path, int flags, void* self);
  static void closeRestricted(int fd, void* self);
  void openAll();
  void closeAll();
  void hotPlugged();
  void add(udev_device* device);
  void configure(libinput_device* device) const;
  void configureAll();
  void dispatch();
  void sayUnreadable(const std::string& node, int error);

  udev* udev_;
  udev_monitor* hotPlug_;
  std::unique_ptr<QSocketNotifier> hotPlugNotifier_;
  std::unique_ptr<TonnixPointerSettingsSource> settings_;
  libinput* libinput_ = nullptr;
  std::unique_ptr<QSocketNotifier> libinputNotifier_;
  // By device node, each holding a reference.
  std::map<std::string, libinput_device*> devices_;
  bool isDown_ = false;
  bool toldUnreadable_ = false;
  bool toldNone_ = false;
};
