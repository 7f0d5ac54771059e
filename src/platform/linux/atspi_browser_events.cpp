#include "platform/linux/atspi_browser_events.h"

#include <utility>

#include "platform/accessibility.h"
#include "platform/linux/atspi_event_mapping.h"
#include "platform/linux/atspi_roles.h"

namespace {

namespace Note = TonnixAXNotification;

// Applications and top-level frames remembered at once.
constexpr qsizetype frameLimit = 64;

const QString windowActivate = QStringLiteral("window:activate");
const QString showing = QStringLiteral("object:state-changed:showing");
const QString focused = QStringLiteral("object:state-changed:focused");
const QString defunct = QStringLiteral("object:state-changed:defunct");

void rememberFrame(QStringList& keys, const QString& key) {
  if (keys.contains(key)) return;
  if (keys.size() >= frameLimit) keys.removeFirst();
  keys.append(key);
}

// A menu that pops up on its own: not a menu bar's title nor a submenu's.
bool isPopUpMenu(TonnixAtspiEventSource& source) {
  if (source.role() != ATSPI_ROLE_MENU) return false;
  const auto parentRole = source.parentRole();
  return parentRole != ATSPI_ROLE_MENU_BAR && !isAtspiMenuRole(parentRole) &&
         !isAtspiMenuItemRole(parentRole);
}

}  // namespace

TonnixAtspiBrowserOutcome TonnixAtspiBrowserEvents::translate(const TonnixAtspiEvent& event,
                                                              TonnixAtspiEventSource& source) {
  const auto& type = event.type;
  const bool isFocus = type == focused && event.detail1 != 0;
  const bool isGone = type == defunct && event.detail1 != 0;
  if (type != windowActivate && type != showing && !isFocus && !isGone) return {};
  auto& app = application(event.applicationKey);
  const auto browser = browserOf(app, source);
  if (browser != Browser::chromium && browser != Browser::gecko) return {};
  if (type == showing) return showingChanged(app, event, source);
  // Chromium's hidden frames, never activated, go only when it quits.
  if (isGone) {
    const auto& key = event.elementKey;
    return {{}, app.frames.contains(key) && !app.windows.contains(key)};
  }
  if (browser == Browser::chromium && type == windowActivate) {
    return chromiumActivation(app, event, source);
  }
  if (browser == Browser::gecko && isFocus) return {geckoFocus(app, event, source)};
  return {};
}

std::vector<TonnixAtspiReport> TonnixAtspiBrowserEvents::takeReports() {
  return std::exchange(reports_, {});
}

void TonnixAtspiBrowserEvents::forgetApplication(const QString& applicationKey) {
  applications_.remove(applicationKey);
}

// Asked once per application; an application that cannot tell now is asked
// again with its next event.
TonnixAtspiBrowserEvents::Browser TonnixAtspiBrowserEvents::browserOf(
    Application& app, TonnixAtspiEventSource& source) {
  if (app.browser != Browser::unknown) return app.browser;
  const auto toolkit = source.toolkitName();
  if (toolkit.isEmpty()) return Browser::unknown;
  if (toolkit == QLatin1String("Chromium")) {
    app.browser = Browser::chromium;
  } else if (toolkit == QLatin1String("Gecko")) {
    app.browser = Browser::gecko;
  } else {
    app.browser = Browser::none;
  }
  return app.browser;
}

// Both browsers show a pop-up menu as a "menu" of its own announcing showing;
// Firefox's menu bar menus announce nothing of the kind. Firefox tells its
// windows by window:create and window:destroy: the frames and pop-up windows
// of GTK's that hold them, showing and hiding, are none. Neither deletes a
// window without a word, as Qt does: an object inside a window that hides
// (Chromium's GTK dialogs hide objects of a root the desktop does not list)
// closes nothing.
TonnixAtspiBrowserOutcome TonnixAtspiBrowserEvents::showingChanged(Application& app,
                                                                   const TonnixAtspiEvent& event,
                                                                   TonnixAtspiEventSource& source) {
  const auto& key = event.elementKey;
  const auto role = source.role();
  if (app.browser == Browser::gecko && (role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_FRAME) &&
      source.parentRole() == ATSPI_ROLE_APPLICATION) {
    return {{}, true};
  }
  if (event.detail1 == 0) {
    if (app.openMenus.removeOne(key)) return {{Note::menuClosed}, true};
    return {{}, source.parentRole() != ATSPI_ROLE_APPLICATION};
  }
  if (!isPopUpMenu(source)) return {};
  if (app.openMenus.contains(key)) return {{}, true};
  rememberFrame(app.openMenus, key);
  return {{Note::menuOpened}, true};
}

// Chromium activates the nameless frame holding an open menu (its first
// child a menu bar) as if it were a window, and the window that opened the
// menu again when it closes: neither is a change of window. A frame not seen
// before is a new window; the frame active before that has left the
// application's children was closed. The frames there when the first
// activation is seen were open already.
TonnixAtspiBrowserOutcome TonnixAtspiBrowserEvents::chromiumActivation(
    Application& app, const TonnixAtspiEvent& event, TonnixAtspiEventSource& source) {
  if (source.role() != ATSPI_ROLE_FRAME) return {};
  if (source.firstChildRole() == ATSPI_ROLE_MENU_BAR) {
    app.isMenuFrameActive = true;
    return {{}, true};
  }
  const auto& key = event.elementKey;
  const bool returnsFromMenu = std::exchange(app.isMenuFrameActive, false) &&
                               (app.activeFrame.isEmpty() || app.activeFrame == key);
  const auto present = source.topLevelKeys();
  if (!present) return {};
  QStringList names;
  const auto closed = app.activeFrame;
  if (app.knowsFrames && !returnsFromMenu) {
    if (!app.frames.contains(key)) names.append(Note::windowCreated);
    if (!closed.isEmpty() && closed != key && app.frames.contains(closed) &&
        !present->contains(closed)) {
      reports_.push_back({closed, Note::uiElementDestroyed});
    }
  }
  app.frames = present->mid(0, frameLimit);
  rememberFrame(app.frames, key);
  app.windows.removeIf([&](const QString& window) { return !app.frames.contains(window); });
  rememberFrame(app.windows, key);
  app.knowsFrames = true;
  app.activeFrame = key;
  if (returnsFromMenu) return {{}, true, true};
  return {names, false};
}

// Firefox focuses a menu bar title (also when only Alt is pressed), then,
// once its menu is open, the items inside it; the menu closes when the focus
// leaves menus altogether or moves to another title.
QStringList TonnixAtspiBrowserEvents::geckoFocus(Application& app, const TonnixAtspiEvent& event,
                                                 TonnixAtspiEventSource& source) {
  const auto role = source.role();
  const bool isTitle = role == ATSPI_ROLE_MENU && source.parentRole() == ATSPI_ROLE_MENU_BAR;
  const bool isInMenu = isAtspiMenuRole(role) || isAtspiMenuItemRole(role);
  QStringList names;
  if (!app.openTitle.isEmpty() && (!isInMenu || (isTitle && event.elementKey != app.openTitle))) {
    app.openTitle.clear();
    names.append(Note::menuClosed);
  }
  if (isTitle) {
    app.focusedTitle = event.elementKey;
    return names;
  }
  if (!isInMenu) {
    app.focusedTitle.clear();
    return names;
  }
  if (app.openTitle.isEmpty() && !app.focusedTitle.isEmpty() &&
      source.parentKey() == app.focusedTitle) {
    app.openTitle = app.focusedTitle;
    names.append(Note::menuOpened);
  }
  return names;
}
