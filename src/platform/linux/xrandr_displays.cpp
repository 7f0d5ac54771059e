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
}

std::vector<QRect> TonnixXRandRDisplays::outputs() {
  Display* display = connection_.display();
  if (!display) return {};
  const Window root = DefaultRootWindow(display);
  if (!hasRandR_) {
    return {QRect(0, 0, DisplayWidth(display, DefaultScreen(display)),
                  DisplayHeight(display, DefaultScreen(display)))};
  }
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) return {};
  auto areas = activeOutputs(display, resources);
  XRRFreeScreenResources(resources);
  return areas;
}
