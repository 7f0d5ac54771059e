// A window raised with a launcher's activation token on a compositor that
// speaks xdg-activation (KWin), as a second start of Tonnix asks the first.
#include <gmock/gmock.h>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

#include <QGuiApplication>
#include <QRasterWindow>
#include <cstring>

#include "event_loop.h"
#include "platform/linux/wayland_activation.h"
#include "xdg-activation-v1-client-protocol.h"

using tonnix_test::turnFor;
using tonnix_test::turnUntil;

namespace {

void* nativeResource(const char* name, QWindow* window = nullptr) {
  auto* native = QGuiApplication::platformNativeInterface();
  return window ? native->nativeResourceForWindow(name, window)
                : native->nativeResourceForIntegration(name);
}

// What a launcher does: asks the compositor for a token on behalf of the
// window that has the focus.
QByteArray tokenFrom(QWindow& focused) {
  auto* display = static_cast<wl_display*>(nativeResource("wl_display"));
  wl_event_queue* queue = wl_display_create_queue(display);
  auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
  wl_registry* registry = wl_display_get_registry(wrapper);
  xdg_activation_v1* activation = nullptr;
  const wl_registry_listener registryListener{
      [](void* data, wl_registry* r, uint32_t name, const char* interface, uint32_t) {
        if (std::strcmp(interface, xdg_activation_v1_interface.name) != 0) return;
        *static_cast<xdg_activation_v1**>(data) = static_cast<xdg_activation_v1*>(
            wl_registry_bind(r, name, &xdg_activation_v1_interface, 1));
      },
      [](void*, wl_registry*, uint32_t) {}};
  wl_registry_add_listener(registry, &registryListener, &activation);
  wl_display_roundtrip_queue(display, queue);
  QByteArray token;
  if (activation) {
    const xdg_activation_token_v1_listener tokenListener{
        [](void* data, xdg_activation_token_v1*, const char* text) {
          *static_cast<QByteArray*>(data) = text;
        }};
    xdg_activation_token_v1* request = xdg_activation_v1_get_activation_token(activation);
    xdg_activation_token_v1_add_listener(request, &tokenListener, &token);
    xdg_activation_token_v1_set_surface(
        request, static_cast<wl_surface*>(nativeResource("surface", &focused)));
    xdg_activation_token_v1_commit(request);
    while (token.isEmpty() && wl_display_roundtrip_queue(display, queue) >= 0) {
    }
    xdg_activation_token_v1_destroy(request);
    xdg_activation_v1_destroy(activation);
  }
  wl_registry_destroy(registry);
  wl_proxy_wrapper_destroy(wrapper);
  wl_event_queue_destroy(queue);
  return token;
}

class PlainWindow : public QRasterWindow {
  void paintEvent(QPaintEvent*) override {}
};

}  // namespace

// A token the compositor never gave raises nothing; the launcher's does, on
// the window behind another.
TEST(WaylandActivation, TheLaunchersTokenRaisesTheWindowBehind) {
  PlainWindow behind;
  PlainWindow front;
  behind.show();
  ASSERT_TRUE(turnUntil([&] { return behind.isActive(); }));
  front.show();
  ASSERT_TRUE(turnUntil([&] { return front.isActive(); }));

  EXPECT_TRUE(activateWithToken(behind, "not-a-token-of-this-compositor"));
  turnFor(500);
  EXPECT_TRUE(front.isActive());

  const QByteArray token = tokenFrom(front);
  ASSERT_FALSE(token.isEmpty());
  EXPECT_TRUE(activateWithToken(behind, token));
  EXPECT_TRUE(turnUntil([&] { return behind.isActive(); }, 5000));
}

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  testing::InitGoogleMock(&argc, argv);
  // Only a Wayland compositor with the protocol can tell (the session's).
  if (!QGuiApplication::platformName().startsWith(u"wayland")) return 77;
  return RUN_ALL_TESTS();
}
