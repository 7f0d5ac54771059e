#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/linux/atspi_connection.h"

// Parts of a window that AT-SPI has no attribute for and that are found by
// looking at the window's objects.

// The window's default button: the push button with the "is-default"
// state, found with the window's collection interface in one request where
// the toolkit offers it (GTK), else by walking at most a few hundred of the
// window's objects, within a small time budget. Null when there is none
// (or the budget ran out); an error when the application did not answer in
// time. A window's answer is reused for a second at most, and only until
// forgetAtspiDefaultButtons.
TonnixAXResult<TonnixAtspiObjectRef> findAtspiDefaultButton(TonnixAtspiConnection& connection,
                                                            std::int32_t processIdentifier,
                                                            const TonnixAtspiObjectRef& window);

// Something changed in some window (states, focus, children).
void forgetAtspiDefaultButtons();

// The window-frame subrole (close, zoom, minimize) of a push button that a
// client-side title bar (a GTK header bar, libadwaita) names so; the
// toolkits name them in the session's language, and only the untranslated
// names are known here.
std::optional<QString> atspiFrameButtonSubrole(const QString& name);
