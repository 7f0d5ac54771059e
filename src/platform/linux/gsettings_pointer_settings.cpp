#include "platform/linux/gsettings_pointer_settings.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace {

constexpr const char* mouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* touchpadSchema = "org.gnome.desktop.peripherals.touchpad";

GSettings* settingsIfInstalled(const char* schemaName) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaName, TRUE);
  if (!schema) return nullptr;
  g_settings_schema_unref(schema);
  return g_settings_new(schemaName);
}

bool hasKey(GSettings* settings, const char* key) {
  GSettingsSchema* schema = nullptr;
  g_object_get(settings, "settings-schema", &schema, nullptr);
  const bool has = schema && g_settings_schema_has_key(schema, key);
  if (schema) g_settings_schema_unref(schema);
  return has;
}

void read(GSettings* settings, const char* key, bool& value) {
  if (hasKey(settings, key)) value = g_settings_get_boolean(settings, key);
}

void read(GSettings* settings, const char* key, std::string& value) {
  if (!hasKey(settings, key)) return;
  gchar* text = g_settings_get_string(settings, key);
  value = text;
  g_free(text);
}

class TonnixGSettingsPointerSettings final : public TonnixPointerSettingsSource {
 public:
  TonnixGSettingsPointerSettings(GSettings* mouse, GSettings* touchpad)
      : mouse_(mouse), touchpad_(touchpad) {
    for (GSettings* settings : {mouse_, touchpad_}) {
      g_signal_connect(settings, "changed", G_CALLBACK(&TonnixGSettingsPointerSettings::changedKey),
                       this);
    }
  }
  ~TonnixGSettingsPointerSettings() override {
    for (GSettings* settings : {mouse_, touchpad_}) {
      g_signal_handlers_disconnect_by_data(settings, this);
      g_object_unref(settings);
    }
  }
  TonnixGSettingsPointerSettings(const TonnixGSettingsPointerSettings&) = delete;
  TonnixGSettingsPointerSettings& operator=(const TonnixGSettingsPointerSettings&) = delete;

  TonnixPointerSettings settingsFor(const TonnixPointerDevice& device) const override {
    TonnixGnomePointerKeys keys;
    read(mouse_, "left-handed", keys.mouseLeftHanded);
    read(mouse_, "middle-click-emulation", keys.mouseMiddleEmulation);
    read(touchpad_, "left-handed", keys.touchpadLeftHanded);
    read(touchpad_, "tap-to-click", keys.tapToClick);
    read(touchpad_, "tap-and-drag", keys.tapAndDrag);
    read(touchpad_, "tap-button-map", keys.tapButtonMap);
    read(touchpad_, "click-method", keys.clickMethod);
    read(touchpad_, "middle-click-emulation", keys.touchpadMiddleEmulation);
    read(touchpad_, "send-events", keys.sendEvents);
    return gnomePointerSettings(keys, device.isTouchpad);
  }

 private:
  static void changedKey(GSettings*, gchar*, gpointer self) {
    static_cast<TonnixGSettingsPointerSettings*>(self)->changed();
  }

  GSettings* mouse_;
  GSettings* touchpad_;
};

}  // namespace

std::unique_ptr<TonnixPointerSettingsSource> makeGSettingsPointerSettings() {
  GSettings* mouse = settingsIfInstalled(mouseSchema);
  GSettings* touchpad = settingsIfInstalled(touchpadSchema);
  if (mouse && touchpad) return std::make_unique<TonnixGSettingsPointerSettings>(mouse, touchpad);
  if (mouse) g_object_unref(mouse);
  if (touchpad) g_object_unref(touchpad);
  return nullptr;
}
