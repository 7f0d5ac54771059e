#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>

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
  // Unpacks `archive` (a tar archive, compressed or not, holding bin/tonnix
  // at its top) as `version` and switches the link to it. Answers the new
  // program's path. A failure leaves the installed version as it was.
  TonnixExpected<std::filesystem::path, QString> install(const QByteArray& archive,
                                                         const QString& version) const;
  // Run by the version the link names: removes the version it replaced.
  void removeReplacedVersion() const;

 private:
  std::filesystem::path root() const { return prefix_.parent_path(); }
  std::filesystem::path link() const { return root() / "current"; }

  std::filesystem::path prefix_;
};
