#pragma once

#include <QByteArray>

// GTK 4 tells the accessibility bus of changes only to objects some client
// has already asked for: until then they are not on the bus at all. A menu
// button nobody asked for opens its popover without a word when the program
// opens it (on a Wayland session nothing else asks: no focus, no hit
// testing). Asking the window for its children, and theirs, puts every
// object of it on the bus.
//
// Asks, without waiting: one GetChildren to each object of a level at once,
// the next level as the answers come in, at most `limit` objects, on
// libatspi's connection to the accessibility bus; the answers are handled
// by the event loop (GLib's) while nothing waits. Main thread only.
void realizeAtspiObjects(const QByteArray& busName, const QByteArray& path, int limit);
