#include "app/app_delegate.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "app/controller.h"
#include "app/single_instance.h"
#include "app/updater.h"
#include "platform/linux/wayland_activation.h"
#include "quiet/silence_monitor.h"
#include "support/diagnostics.h"
#include "ui/settings_view.h"

namespace {

bool isShownWindow(const QWidget& window) {
  const auto type = window.windowType();
  return window.isVisible() && (type == Qt::Window || type == Qt::Dialog);
}

// Un-minimised, raised and given the focus: on X11 Qt asks the window
// manager with _NET_ACTIVE_WINDOW; on Wayland the compositor agrees only
// with the activation token the launcher handed over.
void bringForward(QWidget& window, const QByteArray& token) {
  window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window.show();
  window.raise();
  if (QWindow* handle = window.windowHandle(); handle && activateWithToken(*handle, token)) return;
  window.activateWindow();
}

}  // namespace

TonnixAppDelegate::TonnixAppDelegate(TonnixSettingsModel model, QObject* parent)
    : QObject(parent), model_(model), updates_(model.updater) {
  connect(&updates_, &TonnixUpdatePresenter::quitRequested, this,
          &TonnixAppDelegate::quitRequested);
}

TonnixAppDelegate::~TonnixAppDelegate() {
  delete settingsWindow_;
}

void TonnixAppDelegate::applicationDidFinishLaunching() {
  model_.tonnix.transfer().ensureBaseline();
  model_.tonnix.startIfEnabled();
  model_.updater.start();
  if (model_.silence.isEnabled(TonnixSilenceReason::focus))
    model_.silence.probe().requestFocusAuthorization();
  if (model_.tonnix.isRunning()) return;
  // After this turn of the loop, once everything the window shows is set.
  QTimer::singleShot(0, this, &TonnixAppDelegate::openSettingsWindow);
}

bool TonnixAppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (hasVisibleWindows) return true;
  openSettingsWindow();
  return false;
}

void TonnixAppDelegate::openFiles(const std::vector<std::filesystem::path>& urls) {
  if (urls.empty()) return;
  model_.tonnix.transfer().importSets(urls);
}

void TonnixAppDelegate::applicationWillTerminate() {
  model_.tonnix.stop();
  model_.updater.finishSession();
}

void TonnixAppDelegate::serve(TonnixSingleInstance& instance, bool startedByBus) {
  skipsNextActivation_ = startedByBus;
  connect(&instance, &TonnixSingleInstance::activated, this, [this, &instance] {
    activationToken_ = instance.takeActivationToken();
    if (std::exchange(skipsNextActivation_, false)) return;
    if (applicationShouldHandleReopen(hasVisibleWindows())) bringWindowsForward();
  });
  connect(&instance, &TonnixSingleInstance::openRequested, this,
          [this](const std::vector<std::filesystem::path>& files) {
            skipsNextActivation_ = false;
            openFiles(files);
          });
  connect(&instance, &TonnixSingleInstance::actionRequested, this,
          [this, &instance](const QString& action) {
            activationToken_ = instance.takeActivationToken();
            handleAction(action);
          });
}

void TonnixAppDelegate::handleAction(const QString& action) {
  if (action == QStringLiteral("quit")) {
    emit quitRequested();
  } else if (action == QStringLiteral("preferences")) {
    openSettingsWindow();
  } else if (action == QStringLiteral("reload")) {
    model_.tonnix.transfer().reloadSets();
  } else {
    tonnixDiagnostic("TonnixAppDelegate", "no action named " + action.toStdString());
  }
}

void TonnixAppDelegate::openSettingsWindow() {
  if (!settingsWindow_) {
    settingsWindow_ = new TonnixSettingsView(model_);
    connect(settingsWindow_, &TonnixSettingsView::quitRequested, this,
            &TonnixAppDelegate::quitRequested);
  }
  bringForward(*settingsWindow_, std::exchange(activationToken_, {}));
}

bool TonnixAppDelegate::hasVisibleWindows() const {
  const auto windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(),
                     [](const QWidget* window) { return isShownWindow(*window); });
}

// Minimised, behind others or on another workspace, they are Tonnix's only
// way back (it has no tray icon). The settings window comes last, so that
// it has the focus.
void TonnixAppDelegate::bringWindowsForward() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != settingsWindow_ && isShownWindow(*window)) bringForward(*window, {});
  }
  if (settingsWindow_ && isShownWindow(*settingsWindow_))
    bringForward(*settingsWindow_, std::exchange(activationToken_, {}));
}
