#include "platform/fake/fake_workspace.h"

#include <algorithm>

void TonnixFakeWorkspace::addApplication(TonnixRunningApplication application) {
  if (auto* running = find(application.processIdentifier)) {
    *running = std::move(application);
    return;
  }
  applications_.push_back(std::move(application));
}

void TonnixFakeWorkspace::removeApplication(std::int32_t processIdentifier) {
  std::erase_if(applications_, [processIdentifier](const auto& application) {
    return application.processIdentifier == processIdentifier;
  });
}

void TonnixFakeWorkspace::launch(TonnixRunningApplication application) {
  addApplication(application);
  tell(TonnixApplicationChange::launched, application);
}

void TonnixFakeWorkspace::terminate(std::int32_t processIdentifier) {
  const auto* running = find(processIdentifier);
  if (!running) return;
  TonnixRunningApplication application = *running;
  removeApplication(processIdentifier);
  application.isTerminated = true;
  application.isActive = false;
  tell(TonnixApplicationChange::terminated, application);
}

void TonnixFakeWorkspace::mount(const TonnixVolume& volume) {
  tell(TonnixVolumeChange::mounted, volume);
}

void TonnixFakeWorkspace::unmount(const TonnixVolume& volume) {
  tell(TonnixVolumeChange::unmounted, volume);
}

void TonnixFakeWorkspace::installApplicationFile(ApplicationFile file) {
  std::erase_if(files_, [&](const auto& installed) { return installed.file == file.file; });
  files_.push_back(std::move(file));
}

std::optional<TonnixRunningApplication> TonnixFakeWorkspace::runningApplication(
    std::int32_t processIdentifier) const {
  ++lookupCount_;
  const auto* running = find(processIdentifier);
  if (!running) return std::nullopt;
  return *running;
}

std::optional<std::filesystem::path> TonnixFakeWorkspace::applicationURL(
    const QString& bundleIdentifier) const {
  const auto found = std::find_if(files_.begin(), files_.end(), [&](const auto& installed) {
    return installed.bundleIdentifier == bundleIdentifier;
  });
  if (found == files_.end()) return std::nullopt;
  return found->file;
}

std::optional<QString> TonnixFakeWorkspace::bundleIdentifierOfFile(
    const std::filesystem::path& file) const {
  const ApplicationFile* installed = installedFile(file);
  return installed ? installed->bundleIdentifier : std::nullopt;
}

QString TonnixFakeWorkspace::displayName(const std::filesystem::path& file) const {
  if (const ApplicationFile* installed = installedFile(file)) return installed->displayName;
  return QString::fromStdString(file.filename().string());
}

std::optional<QString> TonnixFakeWorkspace::iconForFile(const std::filesystem::path& file) const {
  const ApplicationFile* installed = installedFile(file);
  return installed ? installed->icon : std::nullopt;
}

TonnixWorkspaceObservation TonnixFakeWorkspace::addApplicationObserver(
    TonnixApplicationChange change, ApplicationHandler handler) {
  const TonnixWorkspaceObservation observation{nextObservation_++};
  applicationObservers_.push_back({observation, change, std::move(handler)});
  return observation;
}

TonnixWorkspaceObservation TonnixFakeWorkspace::addVolumeObserver(TonnixVolumeChange change,
                                                                  VolumeHandler handler) {
  const TonnixWorkspaceObservation observation{nextObservation_++};
  volumeObservers_.push_back({observation, change, std::move(handler)});
  return observation;
}

void TonnixFakeWorkspace::removeObserver(TonnixWorkspaceObservation observation) {
  const auto matches = [observation](const auto& observer) {
    return observer.observation == observation;
  };
  std::erase_if(applicationObservers_, matches);
  std::erase_if(volumeObservers_, matches);
}

namespace {

// Calls every observer of the change that is still installed when its turn
// comes: a handler may remove observers, its own included.
template <typename Observers, typename Change, typename Value>
void tellObservers(const Observers& observers, Change change, const Value& value) {
  std::vector<TonnixWorkspaceObservation> due;
  for (const auto& observer : observers) {
    if (observer.change == change) due.push_back(observer.observation);
  }
  for (const auto observation : due) {
    const auto found = std::find_if(observers.begin(), observers.end(),
                                    [&](const auto& o) { return o.observation == observation; });
    if (found == observers.end()) continue;
    const auto handler = found->handler;
    handler(value);
  }
}

}  // namespace

void TonnixFakeWorkspace::tell(TonnixApplicationChange change,
                               const TonnixRunningApplication& application) {
  tellObservers(applicationObservers_, change, application);
}

void TonnixFakeWorkspace::tell(TonnixVolumeChange change, const TonnixVolume& volume) {
  tellObservers(volumeObservers_, change, volume);
}

const TonnixFakeWorkspace::ApplicationFile* TonnixFakeWorkspace::installedFile(
    const std::filesystem::path& file) const {
  const auto found = std::find_if(files_.begin(), files_.end(),
                                  [&](const auto& installed) { return installed.file == file; });
  return found == files_.end() ? nullptr : &*found;
}

TonnixRunningApplication* TonnixFakeWorkspace::find(std::int32_t processIdentifier) {
  const auto found = std::find_if(applications_.begin(), applications_.end(), [&](const auto& a) {
    return a.processIdentifier == processIdentifier;
  });
  return found == applications_.end() ? nullptr : &*found;
}

const TonnixRunningApplication* TonnixFakeWorkspace::find(std::int32_t processIdentifier) const {
  return const_cast<TonnixFakeWorkspace*>(this)->find(processIdentifier);
}
