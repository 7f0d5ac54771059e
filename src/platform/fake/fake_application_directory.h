#pragma once

#include "platform/application_directory.h"

// The installed applications a test lists.
class TonnixFakeApplicationDirectory : public TonnixApplicationDirectory {
 public:
  std::vector<TonnixInstalledApplication> installedApplications() const override {
    return applications;
  }

  std::vector<TonnixInstalledApplication> applications;
};
