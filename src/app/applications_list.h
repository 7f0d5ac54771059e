#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <optional>

#include "app/afflicted_application.h"
#include "app/exclusions.h"
#include "support/expected.h"

class TonnixApplicationAttacher;
class TonnixClickMonitor;
class TonnixWorkspace;

// The applications list of the settings window: the running applications
// with a user interface and the excluded ones, by name, with how each is
// observed; and excluding or including one, which attaches or detaches it
// at once. Everything given must outlive the list. Main thread only.
//
// `afflictedApplications` signals only when it changes.
class TonnixApplicationsList : public QObject {
  Q_OBJECT
  Q_PROPERTY(TonnixAfflictedApplications afflictedApplications READ afflictedApplications NOTIFY
                 afflictedApplicationsChanged)

 public:
  TonnixApplicationsList(TonnixWorkspace& workspace, TonnixExclusions& exclusions,
                         TonnixApplicationAttacher& attacher, TonnixClickMonitor& clickMonitor,
                         QObject* parent = nullptr);

  const TonnixAfflictedApplications& afflictedApplications() const {
    return afflictedApplications_;
  }
  // Reads the running applications and the exclusions again.
  void rebuild();

  // Excludes the application of a .desktop file or executable.
  TonnixExpected<TonnixDone, TonnixExclusionError> exclude(
      const std::filesystem::path& application);
  // Excludes the application (keeping a stored name when given none) and
  // stops observing it at once.
  void exclude(const QString& bundleIdentifier, const std::optional<QString>& name = std::nullopt);
  // Stops excluding the application and attaches it if it runs.
  void include(const QString& bundleIdentifier);
  // Includes an excluded row, excludes any other; rows without a bundle
  // identifier stay as they are.
  void toggleExclusion(const TonnixAfflictedApplication& application);

 signals:
  void afflictedApplicationsChanged();

 private:
  TonnixWorkspace& workspace_;
  TonnixExclusions& exclusions_;
  TonnixApplicationAttacher& attacher_;
  TonnixClickMonitor& clickMonitor_;
  TonnixAfflictedApplications afflictedApplications_;
};
