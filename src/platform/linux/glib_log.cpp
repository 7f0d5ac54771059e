#include "platform/linux/glib_log.h"

#include <glib.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "support/diagnostics.h"

namespace {

// Distinct warnings remembered, so that one said over and over is said once.
constexpr std::size_t rememberedLimit = 256;

std::string_view field(const GLogField* fields, gsize count, const char* key) {
  for (gsize index = 0; index < count; ++index) {
    if (std::strcmp(fields[index].key, key) != 0 || !fields[index].value) continue;
    const auto* text = static_cast<const char*>(fields[index].value);
    return fields[index].length < 0
               ? std::string_view(text)
               : std::string_view(text, static_cast<std::size_t>(fields[index].length));
  }
  return {};
}

// GVFS's remote volume monitors warn in every process that loads them when
// the desktop's disk services (UDisks2, GPhoto2, MTP, AFC) do not run, as on
// a server or in a container; the local mounts are still reported.
bool isNoise(std::string_view domain, std::string_view message) {
  return domain.starts_with("GVFS") && message.find("is not supported") != std::string_view::npos;
}

// True the first time a domain says this text.
bool isFirst(std::string_view domain, std::string_view message) {
  static std::mutex guard;
  static std::set<std::string> said;
  const std::lock_guard lock(guard);
  if (said.size() >= rememberedLimit) return false;
  return said.insert(std::string(domain) + '\n' + std::string(message)).second;
}

GLogWriterOutput write(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer) {
  if (level & (G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG)) {
    return g_log_writer_default(level, fields, count, nullptr);
  }
  std::string_view domain = field(fields, count, "GLIB_DOMAIN");
  if (domain.empty()) domain = "GLib";
  const std::string_view message = field(fields, count, "MESSAGE");
  if (isNoise(domain, message)) return G_LOG_WRITER_HANDLED;
  const bool isError = level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL);
  if (isError || isFirst(domain, message)) tonnixDiagnostic(domain, message);
  return G_LOG_WRITER_HANDLED;
}

}  // namespace

void tonnixRouteGLibLog() {
  g_log_set_writer_func(write, nullptr, nullptr);
}
