#include "platform/linux/gio_application_directory.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

#include <memory>

namespace {

struct FreeList {
  void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};

std::optional<QString> iconOf(GDesktopAppInfo* info) {
  const std::unique_ptr<char, decltype(&g_free)> icon(g_desktop_app_info_get_string(info, "Icon"),
                                                      &g_free);
  if (!icon || !*icon) return std::nullopt;
  return QString::fromUtf8(icon.get());
}

}  // namespace

std::vector<TonnixInstalledApplication> TonnixGioApplicationDirectory::installedApplications()
    const {
  const std::unique_ptr<GList, FreeList> all(g_app_info_get_all());
  std::vector<TonnixInstalledApplication> applications;
  for (GList* item = all.get(); item; item = item->next) {
    auto* info = static_cast<GAppInfo*>(item->data);
    if (!G_IS_DESKTOP_APP_INFO(info) || !g_app_info_should_show(info)) continue;
    auto* desktop = G_DESKTOP_APP_INFO(info);
    const char* file = g_desktop_app_info_get_filename(desktop);
    if (!file) continue;
    applications.push_back(
        {QString::fromUtf8(g_app_info_get_display_name(info)), file, iconOf(desktop)});
  }
  return applications;
}
