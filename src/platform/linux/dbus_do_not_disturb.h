#pragma once

#include "platform/linux/cached_fact.h"
#include "platform/linux/gio_notification_banners.h"

// Whether the desktop's notification server holds notifications back (Do
// Not Disturb): the Inhibited property of org.freedesktop.Notifications
// (KDE Plasma), dunst's paused property, xfce4-notifyd's do-not-disturb
// setting, or GNOME's banners switched off. Fetched in the background and
// reused for 5 seconds, so the first answer is "no" and a change is seen
// within about 5 seconds. Main thread only.
class TonnixDBusDoNotDisturb {
 public:
  TonnixDBusDoNotDisturb();

  bool isOn() { return fact_.value(); }
  // Makes the next question fetch afresh.
  void forget() { fact_.forget(); }

 private:
  TonnixGioNotificationBanners gnome_;
  TonnixCachedFact fact_;
};
