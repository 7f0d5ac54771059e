#pragma once

#include <memory>

#include "app/controller.h"
#include "app/exclusions.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_workspace.h"
#include "platform/linux/audio_output_factory.h"
#include "platform/linux/linux_silence_probe.h"
#include "platform/linux/mouse_monitor_factory.h"
#include "platform/linux/plist_preferences_store.h"
#include "platform/linux/qt_screens.h"
#include "platform/linux/sndfile_audio_file_writer.h"
#include "quiet/silence_monitor.h"

// Tonnix on the real desktop: the user's preferences, sets and choices, the
// Linux silence probes, the default sound output, and the running
// applications through AT-SPI and the X server, in one controller. Made
// once, on the main thread, after the Qt application object.
struct TonnixDesktopSession {
  TonnixDesktopSession() {
    controller.transfer().setAudioFileWriter(std::make_shared<TonnixSndfileAudioFileWriter>());
  }

  // First: it sets OpenAL Soft up before the sound server's and the silence
  // probes' threads start.
  std::unique_ptr<TonnixAudioOutput> audio = makeAudioOutput();
  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments{preferences};
  TonnixExclusions exclusions{preferences};
  TonnixSilenceMonitor silence{preferences, std::make_unique<TonnixLinuxSilenceProbe>()};
  TonnixAtspiAccessibility accessibility;
  TonnixAtspiWorkspace workspace;
  std::unique_ptr<TonnixMouseMonitor> mouseMonitor = makeMouseMonitor();
  TonnixQtScreens screens;
  TonnixController controller{
      library,     assignments, exclusions,
      preferences, silence,     {accessibility, workspace, *mouseMonitor, *audio, screens}};
};
