#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>
#include <filesystem>
#include <memory>

#include "support/expected.h"

// Where the running Tonnix is installed, and how an update replaces it.
//
// Tonnix updates itself only when it runs from a folder of its own that the
// user may write, reached through a `current` link beside it:
//   ROOT/current -> 1.2      ROOT/1.2/bin/tonnix      ROOT/1.3/bin/tonnix
// An update is unpacked into ROOT/<version> and the link is replaced in one
// rename, so a start sees the old version or the new one, never half of
// either. The old folder stays until the new version has started once. A
// prefix the user may not write belongs to the system's package manager,
// and nothing is written there.
class TonnixUpdateInstallation {
 public:
  // `prefix` holds bin/tonnix of the running program.
  explicit TonnixUpdateInstallation(std::filesystem::path prefix);
  // The prefix of this process: the folder above its bin folder.
  static TonnixUpdateInstallation running();

  const std::filesystem::path& prefix() const { return prefix_; }

  // Why an update cannot be installed here, in a sentence for the user
  // that names `displayVersion`; nothing when it can.
  std::optional<QString> whyNotUpdatable(const QString& displayVersion) const;
  // The program as a start from outside should name it: through the
  // `current` link when there is one, so that it still starts Tonnix after
  // an update has removed the version running now.
  std::filesystem::path program() const;

  // A new, private file beside the installed versions to download an
  // update into; removed when it is destroyed.
  TonnixExpected<std::unique_ptr<QTemporaryFile>, QString> newArchiveFile() const;
  // Unpacks the file `archive` (a tar archive, compressed or not, holding
  // bin/tonnix and share/tonnix/Info.plist at its top) as `version` and
  // switches the link to it, once the unpacked Info.plist says it is
  // `version` and that is newer than `runningVersion`: a genuine old
  // release offered as a new one is refused. Answers the new program's path.
  // A failure leaves the installed version as it was. Takes a while: runs
  // on any one thread.
  TonnixExpected<std::filesystem::path, QString> install(const QString& archive,
                                                         const QString& version,
                                                         const QString& runningVersion) const;
  // Run by the version the link names: removes the version it replaced.
  void removeReplacedVersion() const;

 private:
  std::filesystem::path root() const { return prefix_.parent_path(); }
  std::filesystem::path link() const { return root() / "current"; }

  std::filesystem::path prefix_;
};
