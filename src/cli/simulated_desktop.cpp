#include "cli/simulated_desktop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cmath>

namespace {

// Where the simulated pointer can go: one screen of a common size.
const QRectF screenFrame(0, 0, 1920, 1080);

// Turns the event loop for `seconds`, timers and all.
void turnEventLoop(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000)), &loop, &QEventLoop::quit);
  loop.exec();
}

void catchUp(TonnixController& controller) {
  QCoreApplication::processEvents();
  while (controller.attacher().isAttaching())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

// Carries out one command of the script.
struct TonnixSimulatedDesktop::Runner {
  TonnixSimulatedDesktop& desktop;
  TonnixController& controller;
  const Console& console;

  void operator()(const TonnixSimulation::Launch& launch) const {
    desktop.workspace_.launch(launch.application);
  }
  void operator()(const TonnixSimulation::Quit& quit) const {
    desktop.workspace_.terminate(quit.processIdentifier);
    std::erase_if(desktop.elements_,
                  [&](const auto& entry) { return entry.first.first == quit.processIdentifier; });
  }
  void operator()(const TonnixSimulation::Mount& mount) const {
    desktop.workspace_.mount({mount.volume, std::nullopt});
  }
  void operator()(const TonnixSimulation::Unmount& unmount) const {
    desktop.workspace_.unmount({unmount.volume, std::nullopt});
  }
  void operator()(const TonnixSimulation::Element& element) const { desktop.declare(element); }
  void operator()(const TonnixSimulation::Notify& notify) const {
    desktop.accessibility_.post(desktop.elementNamed(notify.processIdentifier, notify.id),
                                notify.notification);
  }
  void operator()(const TonnixSimulation::WindowChange& change) const {
    desktop.workspace_.changeWindow(change.processIdentifier, change.notification);
  }
  void operator()(const TonnixSimulation::Destroy& destroy) const {
    desktop.accessibility_.destroy(desktop.elementNamed(destroy.processIdentifier, destroy.id));
  }
  void operator()(const TonnixSimulation::Mouse& mouse) const {
    desktop.screens_.setPointerLocation(mouse.location);
    desktop.mouseMonitor_.post(mouse.kind, mouse.location);
  }
  void operator()(const TonnixSimulation::Wait& wait) const { turnEventLoop(wait.seconds); }
  void operator()(const TonnixSimulation::Exclude& exclude) const {
    controller.applications().exclude(exclude.bundleIdentifier);
  }
  void operator()(const TonnixSimulation::Include& include) const {
    controller.applications().include(include.bundleIdentifier);
  }
  void operator()(const TonnixSimulation::PrintLog&) const {
    for (const auto& line : soundLogLines(controller.log())) console(line);
  }
};

TonnixSimulatedDesktop::TonnixSimulatedDesktop() {
  workspace_.setProcessIdentifier(ownProcessIdentifier);
  screens_.setScreenFrames({screenFrame});
}

TonnixController::Desktop TonnixSimulatedDesktop::desktop(TonnixAudioOutput& audio) {
  return {accessibility_, workspace_, mouseMonitor_, audio, screens_};
}

void TonnixSimulatedDesktop::run(const std::vector<TonnixSimulation::Step>& steps,
                                 TonnixController& controller, const Console& console) {
  const Runner runner{*this, controller, console};
  for (const auto& step : steps) {
    catchUp(controller);
    std::visit(runner, step.command);
  }
  catchUp(controller);
}

TonnixAXElement TonnixSimulatedDesktop::elementNamed(std::int32_t processIdentifier,
                                                     const QString& id) {
  if (id == TonnixSimulation::applicationElementID) {
    return accessibility_.applicationElement(processIdentifier);
  }
  // The script was checked: every id it names was declared before.
  return elements_.at({processIdentifier, id});
}

void TonnixSimulatedDesktop::declare(const TonnixSimulation::Element& declaration) {
  const std::int32_t pid = declaration.processIdentifier;
  const TonnixAXElement element = accessibility_.addElement(pid);
  elements_.insert_or_assign({pid, declaration.id}, element);
  accessibility_.setAttribute(element, TonnixAXAttribute::role, declaration.role);
  if (declaration.subrole) {
    accessibility_.setAttribute(element, TonnixAXAttribute::subrole, *declaration.subrole);
  }
  if (declaration.title) {
    accessibility_.setAttribute(element, TonnixAXAttribute::title, *declaration.title);
  }
  if (declaration.window) {
    accessibility_.setAttribute(element, TonnixAXAttribute::window,
                                elementNamed(pid, *declaration.window));
  }
  if (declaration.parent) {
    accessibility_.setAttribute(element, TonnixAXAttribute::parent,
                                elementNamed(pid, *declaration.parent));
  }
  if (declaration.frame) {
    const QRectF& frame = *declaration.frame;
    accessibility_.setAttribute(element, TonnixAXAttribute::position,
                                TonnixAXPoint{frame.x(), frame.y()});
    accessibility_.setAttribute(element, TonnixAXAttribute::size,
                                TonnixAXSize{frame.width(), frame.height()});
    accessibility_.place(element, frame);
  }
}

std::vector<QString> soundLogLines(const TonnixSoundLog& log) {
  std::vector<QString> lines;
  const QChar tab(QLatin1Char('\t'));
  for (const auto& section : log.sections()) {
    for (const auto& entry : section.entries) {
      lines.push_back(section.name + tab + entry.eventName + tab +
                      QString::fromStdString(entry.soundID.description()) + tab +
                      QString::number(entry.count));
    }
  }
  return lines;
}
