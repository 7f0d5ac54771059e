#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "support/bounded_map.h"

struct TonnixAtspiEvent;
class TonnixAtspiEventSource;

// A notification about another element than the event's source: a window
// that closed without a word of its own.
struct TonnixAtspiReport {
  QString elementKey;
  QString notification;
};

// What the browsers' own rules make of an event: notifications heard before
// the ordinary rules' ones, or, when `isWhole`, all there is to hear; an
// activation that is no change of window still moves the active window.
struct TonnixAtspiBrowserOutcome {
  QStringList names;
  bool isWhole = false;
  bool isQuietActivation = false;
};

// The rules for the browsers, whose menus are popups of their own toolkits
// (the toolkit names "Chromium" and "Gecko" tell them apart), so that a
// browser sounds as a GTK application does for the same action
// (src/platform/linux/NOTES.md):
// - Chromium shows a menu as a "menu" announcing showing 1 / 0, inside a
//   nameless frame of its own that is activated like a window; it announces
//   a new top-level frame only by activating it, a closed one not at all,
//   and keeps hidden frames that are no windows.
// - Firefox announces its context menus as Chromium does, but a menu bar
//   menu only by moving the focus: to its title, then into its items, then
//   out of it.
class TonnixAtspiBrowserEvents {
 public:
  TonnixAtspiBrowserOutcome translate(const TonnixAtspiEvent& event,
                                      TonnixAtspiEventSource& source);
  // Notifications about other elements found by the last events, once.
  std::vector<TonnixAtspiReport> takeReports();
  void forgetApplication(const QString& applicationKey);

 private:
  enum class Browser { unknown, none, chromium, gecko };

  struct Application {
    Browser browser = Browser::unknown;
    // Chromium: the top-level frames seen (empty until the first activation
    // was seen), those of them activated as windows, and the one active last.
    QStringList frames;
    bool knowsFrames = false;
    QStringList windows;
    QString activeFrame;
    bool isMenuFrameActive = false;
    QStringList openMenus;
    // Firefox: the menu bar title focused last, and the one whose menu is open.
    QString focusedTitle;
    QString openTitle;
  };

  // At most 64 applications are remembered, the one seen first going first.
  Application& application(const QString& key) { return applications_[key]; }
  Browser browserOf(Application& app, TonnixAtspiEventSource& source);
  TonnixAtspiBrowserOutcome showingChanged(Application& app, const TonnixAtspiEvent& event,
                                           TonnixAtspiEventSource& source);
  TonnixAtspiBrowserOutcome chromiumActivation(Application& app, const TonnixAtspiEvent& event,
                                               TonnixAtspiEventSource& source);
  static QStringList geckoFocus(Application& app, const TonnixAtspiEvent& event,
                                TonnixAtspiEventSource& source);

  TonnixBoundedMap<QString, Application, 64> applications_;
  std::vector<TonnixAtspiReport> reports_;
};
