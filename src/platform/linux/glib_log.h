#pragma once

// Routes the log of GLib and of the libraries built on it (GIO and the
// volume monitors it loads, GTK's settings, D-Bus helpers) through Tonnix's
// diagnostics: errors and critical warnings as "DOMAIN: text" lines, other
// warnings and messages once each, debugging output only where
// G_MESSAGES_DEBUG asks for it, and what is only noise not at all (GVFS's
// remote volume monitors saying that a disk service of the desktop is
// missing). Called once, first thing in main(), before any library logs.
void tonnixRouteGLibLog();
