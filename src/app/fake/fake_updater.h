#pragma once

#include "app/updater.h"
#include "platform/fake/fake_update_services.h"
#include "platform/fake/memory_preferences_store.h"

// An updater as an unconfigured build has it: no feed, no key, no network
// and no notification service, installed in the system's prefix. Part of
// the fake desktop session (fake_desktop_session.h).
struct TonnixFakeUpdater {
  TonnixMemoryPreferencesStore preferences;
  TonnixFakeUpdateNetwork network;
  TonnixFakeUpdateNotifications notifications;
  TonnixUpdater updater{
      TonnixUpdateConfiguration{},
      {preferences, network, notifications, TonnixUpdateInstallation("/usr"), {}}};
};
