#pragma once

#include <optional>

struct _GSettings;

// GNOME's Do Not Disturb: the org.gnome.desktop.notifications show-banners
// setting, read through GSettings (dconf keeps it in memory shared with the
// settings daemon, so reading is cheap). Main thread only.
class TonnixGioNotificationBanners {
 public:
  TonnixGioNotificationBanners();
  ~TonnixGioNotificationBanners();
  TonnixGioNotificationBanners(const TonnixGioNotificationBanners&) = delete;
  TonnixGioNotificationBanners& operator=(const TonnixGioNotificationBanners&) = delete;

  // Whether banners are switched off; nothing where the setting is not
  // installed.
  std::optional<bool> areHidden() const;

 private:
  _GSettings* settings_ = nullptr;
};
