#include "platform/linux/gio_application_files.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

#include <QStandardPaths>
#include <memory>

namespace {

struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GDesktopAppInfo, Unref>;

QString idOfDesktopFile(const char* desktopId) {
  auto id = QString::fromUtf8(desktopId);
  if (id.endsWith(QLatin1String(".desktop"))) id.chop(8);
  return id;
}

AppInfo byId(const QString& applicationId) {
  if (applicationId.isEmpty() || applicationId.contains(QLatin1Char('/'))) return nullptr;
  const auto desktopId = (applicationId + QStringLiteral(".desktop")).toUtf8();
  return AppInfo(g_desktop_app_info_new(desktopId.constData()));
}

AppInfo byFile(const std::filesystem::path& file) {
  if (file.extension() != ".desktop") return nullptr;
  return AppInfo(g_desktop_app_info_new_from_filename(file.c_str()));
}

// A .desktop file's id is its path below an applications folder, with
// "/" as "-"; GIO only knows the id of files it found itself.
std::optional<QString> idOfDesktopFile(const std::filesystem::path& file) {
  const auto canonical = QString::fromStdString(std::filesystem::weakly_canonical(file).string());
  for (const auto& folder :
       QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
    const auto prefix =
        QString::fromStdString(std::filesystem::weakly_canonical(folder.toStdString()).string()) +
        QLatin1Char('/');
    if (!canonical.startsWith(prefix)) continue;
    auto id = canonical.mid(prefix.size());
    id.replace(QLatin1Char('/'), QLatin1Char('-'));
    return idOfDesktopFile(id.toUtf8().constData());
  }
  return idOfDesktopFile(file.filename().c_str());
}

bool sameName(const char* a, const QString& b) {
  return a && !b.isEmpty() && QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

// Walks every installed application until `matches` picks one.
template <typename Matches>
std::optional<QString> findInstalled(Matches matches) {
  GList* all = g_app_info_get_all();
  std::optional<QString> found;
  for (GList* item = all; item && !found; item = item->next) {
    auto* info = G_DESKTOP_APP_INFO(item->data);
    if (matches(info)) found = idOfDesktopFile(g_app_info_get_id(G_APP_INFO(info)));
  }
  g_list_free_full(all, g_object_unref);
  return found;
}

std::filesystem::path programOf(GDesktopAppInfo* info) {
  const char* executable = g_app_info_get_executable(G_APP_INFO(info));
  if (!executable) return {};
  return executable;
}

}  // namespace

namespace TonnixGioApplicationFiles {

std::optional<std::filesystem::path> file(const QString& applicationId) {
  const auto info = byId(applicationId);
  if (!info) return std::nullopt;
  const char* filename = g_desktop_app_info_get_filename(info.get());
  if (!filename) return std::nullopt;
  return std::filesystem::path(filename);
}

bool isInstalled(const QString& applicationId) {
  return byId(applicationId) != nullptr;
}

std::optional<QString> idOfFile(const std::filesystem::path& file) {
  if (byFile(file)) return idOfDesktopFile(file);
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  const auto canonical = std::filesystem::weakly_canonical(file, error);
  return findInstalled([&](GDesktopAppInfo* info) {
    const auto program = programOf(info);
    if (program.empty()) return false;
    const auto found = program.is_absolute()
                           ? program
                           : std::filesystem::path(QStandardPaths::findExecutable(
                                                       QString::fromStdString(program.string()))
                                                       .toStdString());
    return !found.empty() && std::filesystem::weakly_canonical(found, error) == canonical;
  });
}

std::optional<QString> idForProgram(const std::filesystem::path& executable,
                                    const QString& command) {
  const auto programName = QString::fromStdString(executable.filename().string());
  // A window class or id naming the program is the surest sign; a
  // command line running it comes next.
  if (auto byClass = findInstalled([&](GDesktopAppInfo* info) {
        const char* windowClass = g_desktop_app_info_get_startup_wm_class(info);
        const auto id = idOfDesktopFile(g_app_info_get_id(G_APP_INFO(info)));
        return sameName(windowClass, programName) || sameName(windowClass, command) ||
               id.compare(programName, Qt::CaseInsensitive) == 0 ||
               (!command.isEmpty() && id.compare(command, Qt::CaseInsensitive) == 0);
      })) {
    return byClass;
  }
  if (programName.isEmpty()) return std::nullopt;
  return findInstalled([&](GDesktopAppInfo* info) {
    return sameName(programOf(info).filename().c_str(), programName);
  });
}

std::optional<QString> name(const std::filesystem::path& file) {
  const auto info = byFile(file);
  if (!info) return std::nullopt;
  const char* text = g_app_info_get_display_name(G_APP_INFO(info.get()));
  if (!text) return std::nullopt;
  return QString::fromUtf8(text);
}

std::optional<QString> icon(const std::filesystem::path& file) {
  const auto info = byFile(file);
  if (!info) return std::nullopt;
  char* text = g_desktop_app_info_get_string(info.get(), "Icon");
  if (!text) return std::nullopt;
  auto result = QString::fromUtf8(text).trimmed();
  g_free(text);
  if (result.isEmpty()) return std::nullopt;
  return result;
}

}  // namespace TonnixGioApplicationFiles
