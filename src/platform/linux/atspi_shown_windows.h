#pragma once

#include <dbus/dbus.h>

#include <QString>
#include <deque>
#include <optional>

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

// The windows applications have just shown, as their roots announce them:
// GTK 4 keeps only its windows among its root's children and adds each
// there as it shows it. Read on libatspi's own connection as the messages
// arrive (libatspi listens to them for its cache), so that a GTK 4 window
// showing is known without asking its application, which answers only once
// it has built the window: a tenth of a second and more under load. Each
// window is told once; at most a few dozen are kept. Main thread only.
class TonnixAtspiShownWindows {
 public:
  // The process's one, reading from its first use on: that must come
  // before libatspi is initialised, as libatspi keeps the events it reads
  // from anyone who reads after it.
  static TonnixAtspiShownWindows& shared();
  ~TonnixAtspiShownWindows();
  TonnixAtspiShownWindows(const TonnixAtspiShownWindows&) = delete;
  TonnixAtspiShownWindows& operator=(const TonnixAtspiShownWindows&) = delete;

  // Whether the object of that key (bus name and object path) was added to
  // its application's root since it was last taken, removed or gone.
  bool take(const QString& key);
  void forget(const QString& key);
  void forgetApplication(const QString& busName);

 private:
  TonnixAtspiShownWindows();
  static DBusHandlerResult read(DBusConnection* bus, DBusMessage* message, void* windows);

  DBusConnection* bus_ = nullptr;
  std::deque<QString> keys_;
};
