#include "platform/linux/gio_notification_banners.h"

#include <gio/gio.h>

namespace {

constexpr const char* schemaId = "org.gnome.desktop.notifications";
constexpr const char* bannersKey = "show-banners";

// GSettings ends the process when asked for a schema or key that is not
// installed, so both are looked up first.
bool isInstalled() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return false;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId, TRUE);
  if (!schema) return false;
  const bool hasKey = g_settings_schema_has_key(schema, bannersKey);
  g_settings_schema_unref(schema);
  return hasKey;
}

}  // namespace

TonnixGioNotificationBanners::TonnixGioNotificationBanners() {
  if (isInstalled()) settings_ = g_settings_new(schemaId);
}

TonnixGioNotificationBanners::~TonnixGioNotificationBanners() {
  if (settings_) g_object_unref(settings_);
}

std::optional<bool> TonnixGioNotificationBanners::areHidden() const {
  if (!settings_) return std::nullopt;
  return !g_settings_get_boolean(settings_, bannersKey);
}
