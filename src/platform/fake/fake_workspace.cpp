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
  emit applicationLaunched(application);
}

void TonnixFakeWorkspace::terminate(std::int32_t processIdentifier) {
  const auto* running = find(processIdentifier);
  if (!running) return;
  TonnixRunningApplication application = *running;
  removeApplication(processIdentifier);
  application.isTerminated = true;
  application.isActive = false;
  emit applicationTerminated(application);
}

void TonnixFakeWorkspace::changeWindow(std::int32_t processIdentifier,
                                       const QString& notification) {
  if (const auto* application = find(processIdentifier)) {
    emit windowChanged(*application, notification);
  }
}

void TonnixFakeWorkspace::mount(const TonnixVolume& volume) {
  emit volumeMounted(volume);
}

void TonnixFakeWorkspace::unmount(const TonnixVolume& volume) {
  emit volumeUnmounted(volume);
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

std::size_t TonnixFakeWorkspace::observerCount() const {
  return static_cast<std::size_t>(
      receivers(SIGNAL(applicationLaunched(TonnixRunningApplication))) +
      receivers(SIGNAL(applicationTerminated(TonnixRunningApplication))) +
      receivers(SIGNAL(windowChanged(TonnixRunningApplication, QString))) +
      receivers(SIGNAL(volumeMounted(TonnixVolume))) +
      receivers(SIGNAL(volumeUnmounted(TonnixVolume))));
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
