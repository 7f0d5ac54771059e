#pragma once

// Whether udev's properties make the device one Tonnix reads: a mouse or a
// touchpad, never anything that also has keys (the udev rule grants no
// such device, so opening it would only fail). The lookup answers a
// property's value, or null when the device has none.
template <typename Lookup>
bool isPointerDevice(Lookup property) {
  const auto set = [&](const char* name) {
    const char* value = property(name);
    return value && value[0] == '1';
  };
  return (set("ID_INPUT_MOUSE") || set("ID_INPUT_TOUCHPAD")) && !set("ID_INPUT_KEYBOARD") &&
         !set("ID_INPUT_KEY");
}
