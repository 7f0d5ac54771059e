#include "ui/settings_view.h"

#include <QShortcut>
#include <QTabWidget>

#include "app/controller.h"
#include "ui/afflicted_apps_view.h"
#include "ui/appearance.h"
#include "ui/general_tab.h"
#include "ui/sound_log_view.h"
#include "ui/sound_sets_tab.h"

namespace {

// Room for the General tab's groups with their texts unwrapped, on a laptop
// screen too.
constexpr QSize defaultSize(660, 720);

}  // namespace

TonnixSettingsView::TonnixSettingsView(TonnixSettingsModel model, QWidget* parent)
    : QMainWindow(parent), model_(model) {
  setWindowTitle(tr("Tonnix"));
  resize(defaultSize);

  tabs_ = new QTabWidget;
  tabs_->setDocumentMode(true);
  setCentralWidget(tabs_);

  auto* general = new TonnixGeneralTab(model_);
  connect(general, &TonnixGeneralTab::quitRequested, this, &TonnixSettingsView::quitRequested);
  addTab(general, tr("General"), "preferences-system", QStyle::SP_ComputerIcon);
  addTab(new TonnixSoundSetsTab(model_), tr("Sound Sets"), "audio-volume-high",
         QStyle::SP_MediaVolume);
  addTab(new TonnixAfflictedAppsView(model_), tr("Afflicted Apps"), "applications-other",
         QStyle::SP_DesktopIcon);
  addTab(new TonnixSoundLogView(model_), tr("WTF Was That?!"), "document-open-recent",
         QStyle::SP_FileDialogDetailedView);

  // Spelled out: some platform themes bind nothing to the standard Quit
  // and Close keys.
  auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  connect(quit, &QShortcut::activated, this, &TonnixSettingsView::quitRequested);
  auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
}

void TonnixSettingsView::addTab(QWidget* tab, const QString& title, const char* iconName,
                                QStyle::StandardPixmap fallbackIcon) {
  tabs_->addTab(tab, themeIcon(iconName, fallbackIcon, *this), title);
}
