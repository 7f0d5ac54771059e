#pragma once

// Whether the session is a Wayland one: said so by the session manager, or
// a Wayland display without an X display.
bool isWaylandSession();
