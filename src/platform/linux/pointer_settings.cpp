#include "platform/linux/pointer_settings.h"

#include <charconv>

namespace {

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<bool> kdeBool(std::string_view value) {
  if (value == "true") return true;
  if (value == "false") return false;
  return std::nullopt;
}

// KWin stores libinput's own numbers: 1 the bottom button areas, 2 clickfinger.
std::optional<TonnixPointerSettings::ClickMethod> kdeClickMethod(std::string_view value) {
  int method = 0;
  std::from_chars(value.data(), value.data() + value.size(), method);
  if (method == 1) return TonnixPointerSettings::ClickMethod::buttonAreas;
  if (method == 2) return TonnixPointerSettings::ClickMethod::clickFinger;
  return std::nullopt;
}

void setKdeKey(TonnixPointerSettings& settings, std::string_view key, std::string_view value) {
  if (key == "LeftHanded") settings.leftHanded = kdeBool(value);
  if (key == "TapToClick") settings.tapToClick = kdeBool(value);
  if (key == "TapAndDrag") settings.tapAndDrag = kdeBool(value);
  if (key == "LmrTapButtonMap") settings.tapLeftMiddleRight = kdeBool(value);
  if (key == "MiddleButtonEmulation") settings.middleEmulation = kdeBool(value);
  if (key == "ClickMethod") settings.clickMethod = kdeClickMethod(value);
  if (key == "Enabled" && kdeBool(value) == false) {
    settings.sendEvents = TonnixPointerSettings::SendEvents::disabled;
  }
}

}  // namespace

TonnixPointerSettings gnomePointerSettings(const TonnixGnomePointerKeys& keys, bool isTouchpad) {
  using ClickMethod = TonnixPointerSettings::ClickMethod;
  using SendEvents = TonnixPointerSettings::SendEvents;
  TonnixPointerSettings settings;
  if (!isTouchpad) {
    settings.leftHanded = keys.mouseLeftHanded;
    settings.middleEmulation = keys.mouseMiddleEmulation;
    return settings;
  }
  settings.leftHanded =
      keys.touchpadLeftHanded == "mouse" ? keys.mouseLeftHanded : keys.touchpadLeftHanded == "left";
  settings.tapToClick = keys.tapToClick;
  settings.tapAndDrag = keys.tapAndDrag;
  if (keys.tapButtonMap != "default") settings.tapLeftMiddleRight = keys.tapButtonMap == "lmr";
  if (keys.clickMethod == "areas") settings.clickMethod = ClickMethod::buttonAreas;
  if (keys.clickMethod == "fingers") settings.clickMethod = ClickMethod::clickFinger;
  if (keys.clickMethod == "none") settings.clickMethod = ClickMethod::none;
  settings.middleEmulation = keys.touchpadMiddleEmulation;
  settings.sendEvents = keys.sendEvents == "disabled" ? SendEvents::disabled
                        : keys.sendEvents == "disabled-on-external-mouse"
                            ? SendEvents::disabledOnExternalMouse
                            : SendEvents::enabled;
  return settings;
}

TonnixPointerSettings kdePointerSettings(std::string_view kcminputrc,
                                         const TonnixPointerDevice& device) {
  const std::string group = "[Libinput][" + std::to_string(device.vendor) + "][" +
                            std::to_string(device.product) + "][" + device.name + "]";
  TonnixPointerSettings settings;
  bool inGroup = false;
  while (!kcminputrc.empty()) {
    const auto end = kcminputrc.find('\n');
    const auto line = trimmed(kcminputrc.substr(0, end));
    kcminputrc.remove_prefix(end == std::string_view::npos ? kcminputrc.size() : end + 1);
    if (line.starts_with('[')) {
      inGroup = line == group;
      continue;
    }
    const auto equals = line.find('=');
    if (inGroup && equals != std::string_view::npos) {
      setKdeKey(settings, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }
  }
  return settings;
}
