#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// How the desktop asks its compositor to turn a pointer device's presses
// and touches into clicks, as libinput is told it. Nothing set leaves the
// device's own default.
struct TonnixPointerSettings {
  enum class ClickMethod { buttonAreas, clickFinger, none };
  enum class SendEvents { enabled, disabled, disabledOnExternalMouse };

  std::optional<bool> leftHanded;
  std::optional<bool> tapToClick;
  std::optional<bool> tapAndDrag;
  // Two fingers tapped are the right button, three the middle one; or the reverse.
  std::optional<bool> tapLeftMiddleRight;
  std::optional<ClickMethod> clickMethod;
  std::optional<bool> middleEmulation;
  std::optional<SendEvents> sendEvents;
  friend bool operator==(const TonnixPointerSettings&, const TonnixPointerSettings&) = default;
};

// One pointer device as the desktops' settings name it.
struct TonnixPointerDevice {
  std::string name;
  unsigned vendor = 0;
  unsigned product = 0;
  bool isTouchpad = false;
};

// The desktop's settings for each pointer device, followed as they change.
class TonnixPointerSettingsSource {
 public:
  virtual ~TonnixPointerSettingsSource() = default;
  virtual TonnixPointerSettings settingsFor(const TonnixPointerDevice& device) const = 0;
  // Called on the main thread whenever a setting changed.
  void onChanged(std::function<void()> changed) { changed_ = std::move(changed); }

 protected:
  void changed() const {
    if (changed_) changed_();
  }

 private:
  std::function<void()> changed_;
};

// GNOME's keys, as org.gnome.desktop.peripherals.mouse and .touchpad hold them.
struct TonnixGnomePointerKeys {
  bool mouseLeftHanded = false;
  bool mouseMiddleEmulation = false;
  // "mouse" (as the mouse), "left" or "right".
  std::string touchpadLeftHanded = "mouse";
  bool tapToClick = false;
  bool tapAndDrag = true;
  // "default", "lrm" or "lmr".
  std::string tapButtonMap = "default";
  // "default", "none", "areas" or "fingers".
  std::string clickMethod = "default";
  bool touchpadMiddleEmulation = false;
  // "enabled", "disabled" or "disabled-on-external-mouse".
  std::string sendEvents = "enabled";
};

TonnixPointerSettings gnomePointerSettings(const TonnixGnomePointerKeys& keys, bool isTouchpad);

// KDE's settings for the device in the text of kcminputrc, which KWin keeps
// per device in a group [Libinput][vendor][product][name]; nothing set
// where the file has no such group.
TonnixPointerSettings kdePointerSettings(std::string_view kcminputrc,
                                         const TonnixPointerDevice& device);
