#include "platform/linux/xrandr_displays.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "platform/linux/x11_connection.h"

namespace {

std::vector<QRect> activeOutputs(Display* display, XRRScreenResources* resources) {
  std::vector<QRect> areas;
  for (int i = 0; i < resources->noutput; ++i) {
    XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
    if (!output) continue;
    XRRCrtcInfo* crtc =
        output->crtc != None ? XRRGetCrtcInfo(display, resources, output->crtc) : nullptr;
    if (crtc && crtc->mode != None && crtc->width > 0 && crtc->height > 0) {
      areas.emplace_back(crtc->x, crtc->y, static_cast<int>(crtc->width),
                         static_cast<int>(crtc->height));
    }
    if (crtc) XRRFreeCrtcInfo(crtc);
    XRRFreeOutputInfo(output);
  }
  return areas;
}

}  // namespace

TonnixXRandRDisplays::TonnixXRandRDisplays(TonnixX11Connection& connection)
    : connection_(connection) {
  Display* display = connection_.display();
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  // Output and CRTC queries came with RandR 1.2; 1.3 reads them without a probe.
  hasRandR_ = display && XRRQueryExtension(display, &eventBase, &errorBase) &&
              XRRQueryVersion(display, &major, &minor) && (major > 1 || minor >= 3);
  if (!hasRandR_) return;
  XRRSelectInput(display, DefaultRootWindow(display),
                 RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
}

std::vector<QRect> TonnixXRandRDisplays::outputs() {
  Display* display = connection_.display();
  if (!display) return {};
  if (!hasRandR_) {
    return {QRect(0, 0, DisplayWidth(display, DefaultScreen(display)),
                  DisplayHeight(display, DefaultScreen(display)))};
  }
  if (hasChanged(display) || !outputs_) outputs_ = read(display);
  return *outputs_;
}

// The connection selects RandR's change events and no others, so any event
// queued since the last read means the configuration may have changed.
// XPending reads what has arrived without waiting for the server.
bool TonnixXRandRDisplays::hasChanged(_XDisplay* display) {
  bool changed = false;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    changed = true;
  }
  return changed;
}

std::vector<QRect> TonnixXRandRDisplays::read(_XDisplay* display) {
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
  if (!resources) return {};
  auto areas = activeOutputs(display, resources);
  XRRFreeScreenResources(resources);
  return areas;
}
