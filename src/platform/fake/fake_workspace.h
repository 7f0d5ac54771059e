#pragma once

#include <map>
#include <vector>

#include "platform/workspace.h"

// A workspace whose applications, installed application files and volumes
// a test (or `tonnix run --simulate`) sets up by hand. Launches, quits,
// mounts and unmounts are signalled synchronously, as the main thread would
// deliver them. Counts lookups so that callers' caching can be checked.
class TonnixFakeWorkspace : public TonnixWorkspace {
 public:
  // An application file as the desktop knows it.
  struct ApplicationFile {
    std::filesystem::path file;
    std::optional<QString> bundleIdentifier;
    QString displayName;
    std::optional<QString> icon;
  };

  // Adds the application at the end of the running ones, or replaces the
  // one with the same process identifier in its place. Nobody is told.
  void addApplication(TonnixRunningApplication application);
  void removeApplication(std::int32_t processIdentifier);
  // Adds the application and signals its launch.
  void launch(TonnixRunningApplication application);
  // Removes the application and signals its quit, with the application
  // marked terminated. Unknown processes are ignored.
  void terminate(std::int32_t processIdentifier);
  // Signals the window change for a running application; unknown processes
  // are ignored.
  void changeWindow(std::int32_t processIdentifier, const QString& notification);
  void mount(const TonnixVolume& volume);
  void unmount(const TonnixVolume& volume);

  // Installs an application file; files never installed have no id and
  // show their file name.
  void installApplicationFile(ApplicationFile file);
  void setProcessIdentifier(std::int32_t processIdentifier) { ownProcess_ = processIdentifier; }
  void setSandboxed(bool sandboxed) { sandboxed_ = sandboxed; }

  // How often runningApplication() was asked, found or not.
  int lookupCount() const { return lookupCount_; }
  // The connections to the launch, quit, mount and unmount signals.
  std::size_t observerCount() const;

  std::vector<TonnixRunningApplication> runningApplications() const override {
    return applications_;
  }
  std::optional<TonnixRunningApplication> runningApplication(
      std::int32_t processIdentifier) const override;
  std::optional<std::filesystem::path> applicationURL(
      const QString& bundleIdentifier) const override;
  std::optional<QString> bundleIdentifierOfFile(const std::filesystem::path& file) const override;
  QString displayName(const std::filesystem::path& file) const override;
  std::optional<QString> iconForFile(const std::filesystem::path& file) const override;
  std::int32_t processIdentifier() const override { return ownProcess_; }
  bool isSandboxed() const override { return sandboxed_; }

 private:
  TonnixRunningApplication* find(std::int32_t processIdentifier);
  const TonnixRunningApplication* find(std::int32_t processIdentifier) const;
  const ApplicationFile* installedFile(const std::filesystem::path& file) const;

  std::vector<TonnixRunningApplication> applications_;
  std::vector<ApplicationFile> files_;
  // No process of the tests' applications unless a test says otherwise.
  std::int32_t ownProcess_ = 0;
  bool sandboxed_ = false;
  mutable int lookupCount_ = 0;
};
