#pragma once

#include <QString>
#include <filesystem>
#include <optional>

// The installed applications' .desktop files, as GIO finds them in the
// XDG data folders (the folders QStandardPaths calls applications
// locations): ids, files, names in the user's language and icons. GIO
// reads the folders once into an index of its own, guarded by a lock and
// refreshed when they change, so file(), isInstalled() and idForProgram()
// may be called from any thread; the others are for the main thread.
namespace TonnixGioApplicationFiles {

// The .desktop file of an application id ("org.gnome.TextEditor").
std::optional<std::filesystem::path> file(const QString& applicationId);
bool isInstalled(const QString& applicationId);
// The id of a .desktop file, or of the .desktop file whose command line
// runs `file` as its program; nothing for any other file.
std::optional<QString> idOfFile(const std::filesystem::path& file);
// The id of the installed application that runs `executable` or whose
// window class or id is the process's command name.
std::optional<QString> idForProgram(const std::filesystem::path& executable,
                                    const QString& command);
// The .desktop file's Name in the user's language; nothing for other files.
std::optional<QString> name(const std::filesystem::path& file);
// The .desktop file's Icon: an icon theme name or an icon file's path.
std::optional<QString> icon(const std::filesystem::path& file);

}  // namespace TonnixGioApplicationFiles
