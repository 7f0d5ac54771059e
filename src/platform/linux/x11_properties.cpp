#include "platform/linux/x11_properties.h"

std::vector<unsigned long> tonnixX11Cardinals(Display* display, Window window, const char* name,
                                              Atom type) {
  const Atom property = XInternAtom(display, name, True);
  if (property == None) return {};
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, 1 << 16, False, type,
                                        &actualType, &format, &count, &remaining, &data);
  std::vector<unsigned long> items;
  if (status == Success && data && format == 32 && actualType == type) {
    const auto* values = reinterpret_cast<const unsigned long*>(data);
    items.assign(values, values + count);
  }
  if (data) XFree(data);
  return items;
}
