#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <vector>

// An application the desktop's launcher offers.
struct TonnixInstalledApplication {
  // In the user's language.
  QString name;
  // Its .desktop file.
  std::filesystem::path file;
  // A freedesktop icon name or the path of an icon file.
  std::optional<QString> icon;
};

// The applications installed for the user, as the launcher lists them, so
// that one can be picked without knowing where its file lives.
class TonnixApplicationDirectory {
 public:
  virtual ~TonnixApplicationDirectory() = default;
  // Those the launcher shows, in no particular order.
  virtual std::vector<TonnixInstalledApplication> installedApplications() const = 0;
};
