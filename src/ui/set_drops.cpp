#include "ui/set_drops.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <filesystem>
#include <vector>

#include "app/set_transfer.h"

namespace {

std::vector<std::filesystem::path> localPaths(const QMimeData& data) {
  std::vector<std::filesystem::path> paths;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) paths.emplace_back(url.toLocalFile().toStdString());
  }
  return paths;
}

}  // namespace

void acceptSetDrag(QDragEnterEvent& event) {
  if (!localPaths(*event.mimeData()).empty()) event.acceptProposedAction();
}

void importDroppedSets(QDropEvent& event, TonnixSetTransfer& transfer) {
  const auto paths = localPaths(*event.mimeData());
  if (paths.empty()) return;
  event.acceptProposedAction();
  transfer.importSets(paths);
}
