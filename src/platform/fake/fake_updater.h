#pragma once

#include "app/updater.h"
#include "platform/fake/fake_update_services.h"
#include "platform/fake/memory_preferences_store.h"

// An updater as an unconfigured build has it: no feed, no key, no network
// and no notification service, installed in the system's prefix. For the
// settings window's tests, benchmarks and screenshots; link tonnix_app.
struct TonnixFakeUpdater {
  TonnixMemoryPreferencesStore preferences;
  TonnixFakeUpdateNetwork network;
  TonnixFakeUpdateNotifications notifications;
  TonnixUpdater updater{
      TonnixUpdateConfiguration{},
      {preferences, network, notifications, TonnixUpdateInstallation("/usr"), {}}};
};
