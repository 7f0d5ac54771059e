#include "platform/fake/fake_workspace.h"

void TonnixFakeWorkspace::addApplication(TonnixRunningApplication application) {
  const std::int32_t processIdentifier = application.processIdentifier;
  applications_.insert_or_assign(processIdentifier, std::move(application));
}

void TonnixFakeWorkspace::removeApplication(std::int32_t processIdentifier) {
  applications_.erase(processIdentifier);
}

std::optional<TonnixRunningApplication> TonnixFakeWorkspace::runningApplication(
    std::int32_t processIdentifier) const {
  ++lookupCount_;
  const auto found = applications_.find(processIdentifier);
  if (found == applications_.end()) return std::nullopt;
  return found->second;
}
