#pragma once

#include <atspi/atspi-constants.h>

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/linux/atspi_browser_events.h"
#include "support/bounded_map.h"

// One AT-SPI event as it arrived, before anything about its source has
// been asked of the application.
struct TonnixAtspiEvent {
  QString type;  // e.g. "object:state-changed:showing"
  int detail1 = 0;
  QString applicationKey;  // the application's bus name
  QString elementKey;      // the source: bus name and object path
};

// Facts about an event's source, asked only when a rule needs them: each
// may cost a request to the application.
class TonnixAtspiEventSource {
 public:
  virtual ~TonnixAtspiEventSource() = default;
  virtual AtspiRole role() = 0;
  virtual AtspiRole parentRole() = 0;
  // For a window: whether it is only there to hold a pop-up menu (how GTK 3
  // shows context and combo box menus) or a combo box's pop-up list (Qt).
  virtual bool holdsMenu() = 0;
  // Whether one of its children is a menu: GTK 4's popover menus are
  // children of their menu button or menu bar title.
  virtual bool ownsMenu() = 0;
  // Whether the source's current state set holds `state` (false when the
  // application does not answer).
  virtual bool hasState(AtspiStateType state) = 0;
  // The parent's key (bus name and object path; empty when it cannot be
  // read), whether the parent no longer answers, and the keys of the
  // application's top-level objects (none when unreadable): Qt deletes a
  // window without a word about it, announcing only its children hiding.
  virtual QString parentKey() = 0;
  virtual bool isParentGone() = 0;
  virtual std::optional<QStringList> topLevelKeys() = 0;
  // The event's notifications are about the element of `key`, not the source.
  virtual void reportFor(const QString& key) = 0;
  // The toolkit its application names ("GTK", "Qt", "Gecko", "Chromium";
  // empty when unknown), and the role of its first child: the browsers'
  // own rules (atspi_browser_events.h) need them.
  virtual QString toolkitName() { return {}; }
  virtual AtspiRole firstChildRole() { return ATSPI_ROLE_INVALID; }
  // Whether its toolkit announces every menu it opens (GTK 4 expands each
  // popover's owner): known without a question, which spares GTK 4
  // applications the wait, as they answer only once they have drawn what
  // they announced (a tenth of a second and more under load).
  virtual bool announcesEveryMenu() { return false; }
  // Whether its toolkit announces every window it closes (GTK 4's windows
  // go defunct), so that none need be found missing among the application's.
  virtual bool announcesEveryClosing() { return false; }
  // Whether its application has just told that it shows this window (GTK 4
  // adds each window it shows to its root's children): known without a
  // question, for the same reason.
  virtual bool isShownWindow() { return false; }
};

// Turns AT-SPI events into the classic notification names, by one table
// (written down in src/platform/linux/NOTES.md). It remembers, per
// application, which windows, menus and help tags are open, which windows
// are minimized and which menu item is lit, so that a toolkit announcing
// the same change twice (GTK 3 sends both "showing" and "window:create" for
// a dialog) is heard once. What it remembers is bounded.
class TonnixAtspiEventTranslator {
 public:
  // Whether anybody listens for a notification about this event's source;
  // rules whose notifications nobody wants ask the application nothing.
  using Wants = std::function<bool(const QString& notification)>;

  // The AT-SPI event types that produce `notification`; empty for names
  // AT-SPI has nothing for (hidden applications, drawers, sheets, …).
  static QStringList atspiEventTypes(const QString& notification);
  // Every notification name the translator can produce.
  static QStringList producedNotifications();

  // Events that arrive together are one batch: one expansion that GTK
  // announces on every cell of a row is heard once.
  void beginBatch();
  QStringList translate(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                        const Wants& wants);
  // Notifications the last events made about other elements than their
  // sources (a browser window closed without a word), once.
  std::vector<TonnixAtspiReport> takeReports() { return browsers_.takeReports(); }
  // Notes the active window of an event nobody observes (an application
  // not observed or excluded), so that returning from it is a change.
  void noteActivation(const TonnixAtspiEvent& event);
  // Forgets what was remembered about an application that went away.
  void forgetApplication(const QString& applicationKey);

 private:
  // Element keys in insertion order, at most `limit` of them.
  class KeySet {
   public:
    bool contains(const QString& key) const { return keys_.contains(key); }
    bool isEmpty() const { return keys_.isEmpty(); }
    qsizetype size() const { return keys_.size(); }
    // The first remembered key not in `present`; empty when all are.
    QString firstMissing(const QStringList& present) const;
    bool insert(const QString& key);
    bool remove(const QString& key);

   private:
    QHash<QString, std::size_t> keys_;
    std::deque<QString> order_;
  };

  struct Application {
    KeySet openWindows;
    KeySet openMenus;
    KeySet openHelpTags;
    KeySet minimizedWindows;
    // Controls whose pop-up menu is open (GTK 4 menu buttons and menu bar
    // titles: their popover menus announce nothing themselves).
    KeySet menuOwners;
    QString litMenuItem;
    // Qt's windows that only hold a combo box's pop-up list, and the list
    // open now: the list is the menu, the window no window to the ear.
    KeySet popUpWindows;
    QString openPopUpList;
  };

  // At most 64 applications are remembered, the one seen first going first.
  Application& application(const QString& key) { return applications_[key]; }
  QStringList translateOrdinary(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                                const Wants& wants);
  QStringList shown(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                    const Wants& wants);
  QStringList hidden(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                     const Wants& wants);
  QStringList activated(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                        const Wants& wants);
  QStringList closedBefore(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                           const Wants& wants);
  QStringList minimized(const TonnixAtspiEvent& event, bool isMinimized);
  QStringList selected(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source);
  QStringList focused(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                      const Wants& wants);
  bool isPopUpListItem(const TonnixAtspiEvent& event, AtspiRole role);
  QStringList menuItemLit(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source);
  QStringList expanded(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source,
                       const Wants& wants);
  QStringList popoverShown(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source);
  QStringList popoverHidden(const TonnixAtspiEvent& event);
  QStringList pressed(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source);
  QStringList closedAround(Application& app, TonnixAtspiEventSource& source, const Wants& wants);
  bool isOpening(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source);
  bool mayLightItem(const TonnixAtspiEvent& event, TonnixAtspiEventSource& source);
  static QStringList selectionChanged(TonnixAtspiEventSource& source);

  TonnixBoundedMap<QString, Application, 64> applications_;
  QString activeWindow_;
  QString activeApplication_;
  QStringList batchRowNotifications_;
  TonnixAtspiBrowserEvents browsers_;
};
