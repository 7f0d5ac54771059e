#include "app/applications_list.h"

#include <QUrl>
#include <algorithm>
#include <set>

#include "app/application_attacher.h"
#include "events/click_monitor.h"
#include "platform/workspace.h"

TonnixApplicationsList::TonnixApplicationsList(TonnixWorkspace& workspace,
                                               TonnixExclusions& exclusions,
                                               TonnixApplicationAttacher& attacher,
                                               TonnixClickMonitor& clickMonitor, QObject* parent)
    : QObject(parent),
      workspace_(workspace),
      exclusions_(exclusions),
      attacher_(attacher),
      clickMonitor_(clickMonitor) {
  connect(&attacher_, &TonnixApplicationAttacher::applicationsChanged, this,
          &TonnixApplicationsList::rebuild);
}

void TonnixApplicationsList::rebuild() {
  TonnixAfflictedApplications applications;
  std::set<QString> seen;
  const std::int32_t ownProcess = workspace_.processIdentifier();
  const auto& timeouts = attacher_.timeouts();
  for (const auto& running : workspace_.runningApplications()) {
    if (running.processIdentifier == ownProcess || running.processIdentifier < 1) continue;
    if (running.isTerminated || !hasUserInterface(running)) continue;
    const auto* attached = attacher_.observer(running.processIdentifier);
    const auto timeout = timeouts.find(running.processIdentifier);
    TonnixAfflictedApplication entry{
        .bundleIdentifier = running.bundleIdentifier,
        .fileURL = running.bundleURL ? running.bundleURL : running.executableURL,
        .processIdentifier = running.processIdentifier,
        .icon = running.icon,
        .isExcluded = running.bundleIdentifier && exclusions_.isExcluded(*running.bundleIdentifier),
        .isObserved = attached != nullptr,
        .registeredNotificationCount =
            attached ? static_cast<int>(attached->registeredRawNames().size()) : 0,
        .timeout = timeout == timeouts.end() ? std::nullopt
                                             : std::optional<TonnixAttachTimeout>(timeout->second),
    };
    entry.name = afflictedDisplayName(running.localizedName, entry.fileURL, entry.bundleIdentifier,
                                      entry.processIdentifier);
    if (running.bundleIdentifier) seen.insert(*running.bundleIdentifier);
    applications.push_back(std::move(entry));
  }

  const TonnixLocalizedStandardOrder order;
  QList<TonnixExclusion> exclusions = exclusions_.exclusions();
  const auto sortKey = [](const TonnixExclusion& exclusion) {
    return exclusion.name.isEmpty() ? exclusion.bundleIdentifier : exclusion.name;
  };
  std::stable_sort(exclusions.begin(), exclusions.end(),
                   [&](const auto& a, const auto& b) { return order(sortKey(a), sortKey(b)); });
  for (const auto& exclusion : exclusions) {
    if (seen.contains(exclusion.bundleIdentifier)) continue;
    const auto file = workspace_.applicationURL(exclusion.bundleIdentifier);
    TonnixAfflictedApplication entry{
        .bundleIdentifier = exclusion.bundleIdentifier,
        .fileURL = file,
        .icon = file ? workspace_.iconForFile(*file) : std::nullopt,
        .isExcluded = true,
    };
    entry.name =
        afflictedDisplayName(exclusion.name, file, exclusion.bundleIdentifier, std::nullopt);
    applications.push_back(std::move(entry));
  }

  std::stable_sort(applications.begin(), applications.end(),
                   [&](const auto& a, const auto& b) { return order(a.name, b.name); });
  if (applications == afflictedApplications_) return;
  afflictedApplications_ = std::move(applications);
  emit afflictedApplicationsChanged();
}

TonnixExpected<TonnixDone, TonnixExclusionError> TonnixApplicationsList::exclude(
    const std::filesystem::path& application) {
  const auto bundleIdentifier = workspace_.bundleIdentifierOfFile(application);
  if (!bundleIdentifier || bundleIdentifier->isEmpty()) {
    return unexpected(TonnixExclusionError::noBundleIdentifier(
        QUrl::fromLocalFile(QString::fromStdString(application.string()))));
  }
  exclude(*bundleIdentifier, workspace_.displayName(application));
  return TonnixDone{};
}

void TonnixApplicationsList::exclude(const QString& bundleIdentifier,
                                     const std::optional<QString>& name) {
  if (name) {
    exclusions_.exclude(bundleIdentifier, *name);
  } else {
    exclusions_.exclude(bundleIdentifier);
  }
  attacher_.detachApplication(bundleIdentifier);
  clickMonitor_.resetTracker();
  rebuild();
}

void TonnixApplicationsList::include(const QString& bundleIdentifier) {
  exclusions_.include(bundleIdentifier);
  attacher_.rescan();
  rebuild();
}

void TonnixApplicationsList::toggleExclusion(const TonnixAfflictedApplication& application) {
  if (!application.bundleIdentifier) return;
  if (application.isExcluded) {
    include(*application.bundleIdentifier);
  } else {
    exclude(*application.bundleIdentifier, application.name);
  }
}
