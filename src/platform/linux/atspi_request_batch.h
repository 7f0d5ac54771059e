#pragma once

#include <QByteArray>
#include <vector>

#include "platform/linux/atspi_connection.h"
#include "platform/linux/dbus_handles.h"

// Requests to one object of an application sent at once on libatspi's
// connection, so that the application answers them one after the other
// without waiting for us in between: one round trip instead of one per
// question, which matters for GTK 4, whose answers come slowly under load.
// Main thread only.
class TonnixAtspiRequestBatch {
 public:
  // Each request may take `milliseconds`; a batch for an object without a
  // bus name or path sends nothing.
  TonnixAtspiRequestBatch(const TonnixAtspiObjectRef& object, int milliseconds);

  bool isValid() const { return bus_ != nullptr; }
  // A property of org.a11y.atspi.Accessible, or a method without arguments
  // of that interface; each returns the index of its answer.
  std::size_t property(const char* name);
  std::size_t method(const char* name);
  // Waits for every answer; false, with `error` set, when one ran out of
  // time (what libatspi's own requests report then).
  bool wait(GError** error);
  // The answer (a method return or an error), null when none came; a
  // property's value is still in its variant.
  DBusMessage* answer(std::size_t index) const { return answers_[index].get(); }

 private:
  std::size_t send(DBusMessage* message);

  DBusConnection* bus_ = nullptr;
  QByteArray busName_;
  QByteArray path_;
  int milliseconds_;
  std::vector<TonnixDBusPending> pending_;
  std::vector<TonnixDBusMessage> answers_;
};
