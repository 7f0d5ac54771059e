#include "platform/linux/linux_silence_probe.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>
#include <QThreadPool>
#include <algorithm>

#include "platform/linux/display_mirroring.h"
#include "platform/linux/display_to_itself.h"
#include "platform/linux/game_category.h"
#include "platform/linux/gio_application_categories.h"
#include "platform/linux/session_type.h"
#include "support/diagnostics.h"

namespace {

// Wayland tells no program about another's windows or the outputs' layout,
// and a Wayland client keeps the screen awake through the compositor alone;
// the sound server, the idle inhibitors taken over D-Bus, Do Not Disturb and
// GameMode do not depend on the display server. XWayland's X server knows
// its own windows only.
QString waylandLimits(bool hasX11) {
  if (hasX11) {
    return QStringLiteral(
        "a Wayland session: full-screen windows and games in front are seen for XWayland "
        "windows only, mirrored displays as XWayland reports them, and video that keeps the "
        "screen awake through Wayland's own idle inhibitor goes unnoticed");
  }
  return QStringLiteral(
      "a Wayland session without XWayland: full-screen windows, games in front, mirrored "
      "displays and video that keeps the screen awake through Wayland's own idle inhibitor "
      "cannot be known here");
}

void sayWhatIsMissing(bool hasX11) {
  QStringList missing;
  if (isWaylandSession()) {
    missing << waylandLimits(hasX11);
  } else if (!hasX11) {
    missing << QStringLiteral(
        "no X server (full-screen windows, games in front and mirrored "
        "displays go unnoticed)");
  }
  if (!QDBusConnection::sessionBus().isConnected()) {
    missing << QStringLiteral(
        "no session bus (Do Not Disturb, GameMode and idle inhibitors go "
        "unnoticed)");
  }
  if (missing.isEmpty()) return;
  tonnixDiagnostic("TonnixSilenceProbe", missing.join(QStringLiteral("; ")).toStdString());
}

}  // namespace

TonnixLinuxSilenceProbe::TonnixLinuxSilenceProbe() : windows_(watcher_), displays_(x11_) {
  sayWhatIsMissing(x11_.display() != nullptr);
  QObject::connect(
      &watcher_, &TonnixX11WindowWatcher::activeWindowChanged,
      [this](quint64, std::int32_t processIdentifier) { learnWhetherGame(processIdentifier); });
  if (const auto front = windows_.activeWindow()) learnWhetherGame(front->processIdentifier);
}

TonnixLinuxSilenceProbe::~TonnixLinuxSilenceProbe() = default;

// Mirroring only: X11 has no counterpart of a screen watcher, and screen
// sharing or recording through the desktop portal is not announced to
// other clients, so a watched screen goes unnoticed.
bool TonnixLinuxSilenceProbe::isDisplayShared() {
  return tonnixOutputsMirrored(displays_.outputs());
}

bool TonnixLinuxSilenceProbe::isGameModeActive(const std::vector<TonnixWindowDescription>& windows,
                                               const std::vector<QRectF>& displays) {
  if (gameMode_.hasSession()) return true;
  const auto front = windows_.activeWindow();
  if (!front || !isGame(front->processIdentifier)) return false;
  return tonnixHasDisplayToItself(windows, front->processIdentifier, displays);
}

// The window manager's full-screen state of the active window stands in
// for the front space not being an ordinary desktop; otherwise the front
// application must cover a display with a window.
bool TonnixLinuxSilenceProbe::isApplicationFullscreen(
    const std::vector<TonnixWindowDescription>& windows, const std::vector<QRectF>& displays) {
  const auto front = windows_.activeWindow();
  if (!front) return false;
  if (front->isFullscreen) return true;
  return tonnixHasDisplayToItself(windows, front->processIdentifier, displays);
}

// Only the front application's windows: the window-based tests look at no
// others, and every window costs the X server several questions.
std::vector<TonnixWindowDescription> TonnixLinuxSilenceProbe::windowDescriptions() {
  const auto front = windows_.activeWindow();
  if (!front || front->processIdentifier < 1) return {};
  return windows_.windows(front->processIdentifier);
}

// Mirrored outputs show one area of the screen: it counts once.
std::vector<QRectF> TonnixLinuxSilenceProbe::displayBounds() {
  std::vector<QRectF> bounds;
  for (const QRect& output : displays_.outputs()) {
    const QRectF area(output);
    if (std::ranges::find(bounds, area) == bounds.end()) bounds.push_back(area);
  }
  return bounds;
}

bool TonnixLinuxSilenceProbe::isGame(std::int32_t processIdentifier) const {
  const auto& known = *frontGame_;
  return processIdentifier > 0 && known && known->first == processIdentifier && known->second;
}

void TonnixLinuxSilenceProbe::learnWhetherGame(std::int32_t processIdentifier) {
  if (processIdentifier < 1) return;
  QCoreApplication* application = QCoreApplication::instance();
  const std::weak_ptr<std::optional<std::pair<std::int32_t, bool>>> front = frontGame_;
  const auto tell = [front, processIdentifier](bool game) {
    if (const auto known = front.lock()) *known = std::pair(processIdentifier, game);
  };
  const auto ask = [processIdentifier] {
    const auto categories = tonnixProcessApplicationCategories(processIdentifier);
    return categories && tonnixIsGameCategoryList(categories->toStdString());
  };
  if (!application) {
    tell(ask());
    return;
  }
  QThreadPool::globalInstance()->start([application, ask, tell] {
    const bool game = ask();
    QMetaObject::invokeMethod(
        application, [tell, game] { tell(game); }, Qt::QueuedConnection);
  });
}
