#include "classic/import_folder.h"

#include <QDir>
#include <QUuid>
#include <system_error>

namespace fs = std::filesystem;

TonnixExpected<std::shared_ptr<const TonnixImportFolder>, TonnixFileError> TonnixImportFolder::make(
    const fs::path& parent) {
  const fs::path base = parent.empty() ? fs::path(QDir::tempPath().toStdString()) : parent;
  const fs::path folder =
      base / ("tonnix-import-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString());
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return unexpected(TonnixFileError::from(folder, error));
  std::shared_ptr<const TonnixImportFolder> made(new TonnixImportFolder(folder));
  fs::permissions(folder, fs::perms::owner_all, error);
  if (error) return unexpected(TonnixFileError::from(folder, error));
  return made;
}

TonnixImportFolder::~TonnixImportFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}
