#include "library/share_folders.h"

#include <QByteArray>
#include <QCoreApplication>

std::vector<std::filesystem::path> tonnixShareFolders() {
  std::vector<std::filesystem::path> shares;
  if (QCoreApplication::instance()) {
    shares.push_back(std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
                     ".." / "share");
  }
  QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
  if (dataDirs.isEmpty()) dataDirs = "/usr/local/share:/usr/share";
  for (const QByteArray& share : dataDirs.split(':')) {
    if (share.startsWith('/')) shares.emplace_back(share.toStdString());
  }
  return shares;
}
