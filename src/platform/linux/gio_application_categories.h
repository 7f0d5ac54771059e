#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The Categories of the installed application a process runs ("Game;
// ArcadeGame;"): its .desktop file, found by the application id its systemd
// unit names or else by its program, as the workspace finds it (the
// session bus's well-known names are not asked, so finding never waits on
// D-Bus). Nothing for a process of no installed application. Any thread:
// it walks the installed applications, so the silence probe asks it off
// the main thread.
std::optional<QString> tonnixProcessApplicationCategories(std::int32_t processIdentifier);
