#pragma once

#include <filesystem>

class QObject;

// Shows the file selected in its folder, in the desktop's file manager
// (the freedesktop FileManager1 service); where none answers, opens the
// folder it is in. `context` ends the wait for the answer when it goes.
void showInFileManager(const std::filesystem::path& file, QObject& context);
