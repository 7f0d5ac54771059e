#pragma once

#include "platform/linux/cached_fact.h"
#include "platform/linux/gio_notification_banners.h"

// Whether the desktop's notification server holds notifications back (Do
// Not Disturb): the Inhibited property of org.freedesktop.Notifications
// (KDE Plasma), dunst's paused property, xfce4-notifyd's do-not-disturb
// setting, or GNOME's banners switched off. Fetched in the background and
// reused for 5 seconds, so the first answer is "no" and a change is seen
// within about 5 seconds. Whether any of them answers at all is learnt the
// same way: a server none of them belongs to cannot tell. Main thread only.
class TonnixDBusDoNotDisturb {
 public:
  TonnixDBusDoNotDisturb();

  bool isOn() { return fact_.value(); }
  // "Yes" until learnt otherwise.
  bool canTell() { return !unknown_.value(); }
  // Makes the next question fetch afresh.
  void forget() {
    fact_.forget();
    unknown_.forget();
  }

 private:
  TonnixGioNotificationBanners gnome_;
  TonnixCachedFact fact_;
  TonnixCachedFact unknown_;
};
