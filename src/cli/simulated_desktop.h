#pragma once

#include <QString>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "app/controller.h"
#include "cli/simulation_script.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_workspace.h"

// A desktop made of the fakes and driven by a script: applications launch
// and quit, their elements appear, post notifications and go away, the
// mouse presses, drags and releases, disks come and go. Everything Tonnix
// does in reply is its real self. Main thread only.
class TonnixSimulatedDesktop {
 public:
  using Console = std::function<void(const QString& line)>;

  // The simulated process of Tonnix itself, which no script should launch.
  static constexpr std::int32_t ownProcessIdentifier = 1;

  TonnixSimulatedDesktop();

  // The seams for a controller, with `audio` as its sound output.
  TonnixController::Desktop desktop(TonnixAudioOutput& audio);

  // Runs the steps in order against the controller, which must have been
  // made with desktop(). Between two steps the event loop turns until any
  // attach cycle is done, so each step meets a desktop Tonnix has caught up
  // with; `wait` keeps it turning. `log` writes the sound log to `console`.
  void run(const std::vector<TonnixSimulation::Step>& steps, TonnixController& controller,
           const Console& console);

  TonnixFakeAccessibility& accessibility() { return accessibility_; }
  TonnixFakeWorkspace& workspace() { return workspace_; }
  TonnixFakeMouseMonitor& mouseMonitor() { return mouseMonitor_; }

 private:
  struct Runner;

  TonnixAXElement elementNamed(std::int32_t processIdentifier, const QString& id);
  void declare(const TonnixSimulation::Element& declaration);

  TonnixFakeAccessibility accessibility_;
  TonnixFakeWorkspace workspace_;
  TonnixFakeMouseMonitor mouseMonitor_;
  TonnixFakeScreens screens_;
  std::map<std::pair<std::int32_t, QString>, TonnixAXElement> elements_;
};

// The sound log as lines: section name, event name, sound code and count,
// separated by tabs, sections most recent first.
std::vector<QString> soundLogLines(const TonnixSoundLog& log);
