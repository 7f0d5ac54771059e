#include "platform/linux/gio_application_categories.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

#include "platform/linux/gio_application_files.h"
#include "platform/linux/proc_processes.h"

namespace Files = TonnixGioApplicationFiles;

namespace {

std::optional<QString> installedApplicationIdOf(std::int32_t processIdentifier) {
  for (const auto& id : tonnixScopeApplicationIds(tonnixProcessControlGroups(processIdentifier))) {
    if (Files::isInstalled(id)) return id;
  }
  const auto executable = tonnixProcessExecutable(processIdentifier);
  if (!executable) return std::nullopt;
  return Files::idForProgram(*executable, tonnixProcessCommand(processIdentifier));
}

}  // namespace

std::optional<QString> tonnixProcessApplicationCategories(std::int32_t processIdentifier) {
  const auto id = installedApplicationIdOf(processIdentifier);
  if (!id) return std::nullopt;
  const auto file = Files::file(*id);
  if (!file) return std::nullopt;
  GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(file->c_str());
  if (!info) return std::nullopt;
  const char* categories = g_desktop_app_info_get_categories(info);
  std::optional<QString> found;
  if (categories) found = QString::fromUtf8(categories);
  g_object_unref(info);
  return found;
}
