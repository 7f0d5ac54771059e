#pragma once

#include <filesystem>
#include <memory>

#include "library/file_error.h"
#include "support/expected.h"

// The scratch folder "tonnix-import-<UUID>" of one classic conversion or
// archive, readable by the user alone. It is removed with everything left in it when the last of
// its owners (the conversion and the installation that follows) lets go, however they end.
class TonnixImportFolder {
 public:
  // A new, empty folder in `parent` (the system's temporary folder unless
  // given).
  static TonnixExpected<std::shared_ptr<const TonnixImportFolder>, TonnixFileError> make(
      const std::filesystem::path& parent = {});

  ~TonnixImportFolder();
  TonnixImportFolder(const TonnixImportFolder&) = delete;
  TonnixImportFolder& operator=(const TonnixImportFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  explicit TonnixImportFolder(std::filesystem::path path) : path_(std::move(path)) {}

  std::filesystem::path path_;
};
