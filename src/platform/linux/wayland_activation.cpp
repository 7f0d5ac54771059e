#include "platform/linux/wayland_activation.h"

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

#include <QGuiApplication>
#include <QWindow>
#include <cstring>

#include "xdg-activation-v1-client-protocol.h"

namespace {

void announceGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                    uint32_t) {
  if (std::strcmp(interface, xdg_activation_v1_interface.name) != 0) return;
  *static_cast<xdg_activation_v1**>(data) = static_cast<xdg_activation_v1*>(
      wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
}

void forgetGlobal(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener registryListener{announceGlobal, forgetGlobal};

// Looks the global up on a queue of our own, so that Qt's queue never sees
// the registry's events; the object found moves to the default queue (it
// has no events) before ours goes.
xdg_activation_v1* bindActivation(wl_display* display) {
  wl_event_queue* queue = wl_display_create_queue(display);
  auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
  wl_registry* registry = wl_display_get_registry(wrapper);
  xdg_activation_v1* activation = nullptr;
  wl_registry_add_listener(registry, &registryListener, &activation);
  wl_display_roundtrip_queue(display, queue);
  wl_registry_destroy(registry);
  wl_proxy_wrapper_destroy(wrapper);
  if (activation) wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(activation), nullptr);
  wl_event_queue_destroy(queue);
  return activation;
}

}  // namespace

bool activateWithToken(QWindow& window, const QByteArray& token) {
  if (token.isEmpty() || !QGuiApplication::platformName().startsWith(u"wayland")) return false;
  auto* native = QGuiApplication::platformNativeInterface();
  if (!native || !window.handle()) return false;
  auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
  auto* surface = static_cast<wl_surface*>(native->nativeResourceForWindow("surface", &window));
  if (!display || !surface) return false;
  xdg_activation_v1* activation = bindActivation(display);
  if (!activation) return false;
  xdg_activation_v1_activate(activation, token.constData(), surface);
  xdg_activation_v1_destroy(activation);
  wl_display_flush(display);
  return true;
}
