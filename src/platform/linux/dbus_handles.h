#pragma once

#include <dbus/dbus.h>

#include <memory>

// Owning handles for libdbus's reference-counted message and pending call.
// A pending call dropped before its answer came is cancelled, so that an
// answer nobody waits for any more is not kept.
struct TonnixDBusMessageUnref {
  void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using TonnixDBusMessage = std::unique_ptr<DBusMessage, TonnixDBusMessageUnref>;

struct TonnixDBusPendingUnref {
  void operator()(DBusPendingCall* pending) const {
    dbus_pending_call_cancel(pending);
    dbus_pending_call_unref(pending);
  }
};
using TonnixDBusPending = std::unique_ptr<DBusPendingCall, TonnixDBusPendingUnref>;
