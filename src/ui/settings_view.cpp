#include "ui/settings_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QShortcut>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <vector>

#include "app/controller.h"
#include "ui/appearance.h"
#include "ui/general_tab.h"
#include "ui/sound_sets_tab.h"

namespace {

// Room for the General tab's groups with their texts unwrapped, on a laptop
// screen too.
constexpr QSize defaultSize(660, 720);

std::vector<std::filesystem::path> localPaths(const QMimeData& data) {
  std::vector<std::filesystem::path> paths;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) paths.emplace_back(url.toLocalFile().toStdString());
  }
  return paths;
}

}  // namespace

TonnixSettingsView::TonnixSettingsView(TonnixController& tonnix, TonnixSilenceMonitor& silence,
                                       TonnixAccessibilityStatus& accessibility,
                                       TonnixAutostart& autostart, QWidget* parent)
    : QWidget(parent), model_{tonnix, silence, accessibility, autostart} {
  setWindowTitle(tr("Tonnix"));
  setAcceptDrops(true);
  resize(defaultSize);

  tabs_ = new QTabWidget;
  tabs_->setDocumentMode(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);

  auto* general = new TonnixGeneralTab(model_);
  connect(general, &TonnixGeneralTab::quitRequested, this, &TonnixSettingsView::quitRequested);
  addTab(general, tr("General"), "preferences-system", QStyle::SP_ComputerIcon);
  addTab(new TonnixSoundSetsTab(model_), tr("Sound Sets"), "audio-volume-high",
         QStyle::SP_MediaVolume);

  // Spelled out: some platform themes bind nothing to the standard Quit key.
  auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  connect(quit, &QShortcut::activated, this, &TonnixSettingsView::quitRequested);
}

void TonnixSettingsView::addTab(QWidget* tab, const QString& title, const char* iconName,
                                QStyle::StandardPixmap fallbackIcon) {
  tabs_->addTab(tab, themeIcon(iconName, fallbackIcon, *this), title);
}

void TonnixSettingsView::dragEnterEvent(QDragEnterEvent* event) {
  if (!localPaths(*event->mimeData()).empty()) event->acceptProposedAction();
}

void TonnixSettingsView::dropEvent(QDropEvent* event) {
  const auto paths = localPaths(*event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  // One call, so that the import reports on all of them together.
  model_.tonnix.importSets(paths);
}
