#pragma once

#include <dbus/dbus.h>

#include <QString>
#include <deque>
#include <optional>

// The object path of every application's root accessible.
inline constexpr const char* tonnixAtspiRootPath = "/org/a11y/atspi/accessible/root";

// A child an application's root announced it added or removed.
struct TonnixAtspiRootChildChange {
  QString childKey;  // the child's bus name and object path
  bool isAdded = false;
};

// The change a ChildrenChanged signal of an application's root tells;
// nothing for any other message. The child is the event's value, except
// where GTK 4.8 gives the root itself there (so libatspi's event names the
// root) and the child in the signal's last field.
std::optional<TonnixAtspiRootChildChange> atspiRootChildChange(DBusMessage* message);

// The key (bus name and object path) of the parent of a menu an
// application announced putting on the bus (AddAccessible of
// org.a11y.atspi.Cache); nothing for any other message.
std::optional<QString> atspiAnnouncedMenuOwner(DBusMessage* message);

// What GTK 4 applications tell the whole bus without being asked: each
// window they show, which their root adds to its children (GTK 4 keeps only
// its windows there), and each object they put on the bus, with its role
// and parent (a popover menu is announced before its owner expands). Read
// on libatspi's own connection as the messages arrive (libatspi listens to
// them for its cache), so that a window showing or a menu opening is known
// without asking the application, which answers only once it has built
// what it announced: a tenth of a second and more under load. A few dozen
// of each are kept. Main thread only.
class TonnixAtspiAnnouncements {
 public:
  // The process's one, reading from its first use on: that must come
  // before libatspi is initialised, as libatspi keeps the events it reads
  // from anyone who reads after it.
  static TonnixAtspiAnnouncements& shared();
  ~TonnixAtspiAnnouncements();
  TonnixAtspiAnnouncements(const TonnixAtspiAnnouncements&) = delete;
  TonnixAtspiAnnouncements& operator=(const TonnixAtspiAnnouncements&) = delete;

  // Whether the object of that key (bus name and object path) was added to
  // its application's root since it was last taken, removed or gone.
  bool takeShownWindow(const QString& key);
  // Whether a menu was announced with that object as its parent.
  bool isMenuOwner(const QString& key) const;
  void forget(const QString& key);
  void forgetApplication(const QString& busName);

 private:
  TonnixAtspiAnnouncements();
  static DBusHandlerResult read(DBusConnection* bus, DBusMessage* message, void* announcements);

  DBusConnection* bus_ = nullptr;
  std::deque<QString> shownWindows_;
  std::deque<QString> menuOwners_;
};
