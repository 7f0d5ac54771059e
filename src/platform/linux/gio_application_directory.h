#pragma once

#include "platform/application_directory.h"

// The installed applications as GIO finds them in the XDG data folders,
// leaving out those the launcher hides (NoDisplay, Hidden, or meant for
// another desktop). Reads the .desktop files afresh on every call.
class TonnixGioApplicationDirectory : public TonnixApplicationDirectory {
 public:
  std::vector<TonnixInstalledApplication> installedApplications() const override;
};
