#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <functional>

#include "platform/linux/cached_fact.h"

// A yes/no question put to a D-Bus service without waiting for it: the
// fetch sends `message` on the bus (never starting a service that does not
// run) and answers what `interpret` makes of the reply on the main thread.
// No bus, no such service, an error or no reply within a second answer no.
TonnixCachedFact::Fetch tonnixDBusQuestion(QDBusConnection::BusType bus, QDBusMessage message,
                                           std::function<bool(const QDBusMessage&)> interpret);

// org.freedesktop.DBus.Properties.Get of one property.
QDBusMessage tonnixDBusPropertyGet(const QString& service, const QString& path,
                                   const QString& interface, const QString& property);

// The reply's first argument as a Boolean (inside a variant or not);
// false when it is anything else.
bool tonnixDBusReplyIsTrue(const QDBusMessage& reply);
