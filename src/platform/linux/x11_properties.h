#pragma once

#include <X11/Xlib.h>

#include <vector>

// A window property of 32-bit items (cardinals, atoms, windows; Xlib hands
// them over as longs). Empty when the window has no such property of that
// type.
std::vector<unsigned long> tonnixX11Cardinals(Display* display, Window window, const char* name,
                                              Atom type);
