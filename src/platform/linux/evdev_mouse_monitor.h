#pragma once

#include <QString>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/linux/evdev_buttons.h"
#include "platform/mouse_monitor.h"
#include "support/expected.h"

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

// What gives the user at the seat read access to the pointer devices, for
// a Tonnix whose program lies in `programFolder`: the package that comes
// with a distribution's build in /usr, else the rule file of the source
// tree, to be copied where udev reads it.
QString pointerAccessAdvice(const std::filesystem::path& programFolder);

// The primary button on a Wayland session, read from the kernel's pointer
// devices (/dev/input/event*, mice and touchpads only), which see every
// press whichever window it lands on. The compositor keeps the pointer's
// position to itself, so presses and releases come without a location
// (locatesPresses() is false) and drags cannot be watched. Devices plugged
// in later are followed through udev; the primary button follows GNOME's
// left-handed settings. Reading the devices needs the udev rule Tonnix
// installs; without it, one line says so and how to install it, and
// accessProblem() says what grants it.
//
// Devices are open only while something is watched. Main thread only, with
// the Qt application made; events are signalled from the event loop.
class TonnixEvdevMouseMonitor : public TonnixMouseMonitor {
 public:
  // The error says why no monitor can be made (no udev).
  static TonnixExpected<std::unique_ptr<TonnixEvdevMouseMonitor>, QString> connect();
  ~TonnixEvdevMouseMonitor() override;
  TonnixEvdevMouseMonitor(const TonnixEvdevMouseMonitor&) = delete;
  TonnixEvdevMouseMonitor& operator=(const TonnixEvdevMouseMonitor&) = delete;

  static QString description();
  bool locatesPresses() const override { return false; }
  // The rule that lets the seat's user read pointer devices, as installed.
  static const char* const udevRule;

 protected:
  bool startWatching(TonnixMouseEventKind kind) override;
  void stopWatching(TonnixMouseEventKind kind) override;

 private:
  struct Device;
  class LeftHanded;

  TonnixEvdevMouseMonitor(udev* context, udev_monitor* hotPlug);
  void openAll();
  void closeAll();
  void hotPlugged();
  void open(udev_device* device);
  void read(Device& device);
  void changed(const std::string& node, bool pressed);
  void applyHandedness();
  void sayUnreadable(const std::string& node, int error);

  udev* udev_;
  udev_monitor* hotPlug_;
  std::unique_ptr<QSocketNotifier> hotPlugNotifier_;
  std::unique_ptr<LeftHanded> leftHanded_;
  // By device node.
  std::map<std::string, std::unique_ptr<Device>> devices_;
  // The devices holding the primary button down.
  std::set<std::string> holding_;
  bool toldUnreadable_ = false;
  bool toldNone_ = false;
};
