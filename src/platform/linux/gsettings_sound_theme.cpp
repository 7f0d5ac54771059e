#include "platform/linux/gsettings_sound_theme.h"

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <QProcess>
#include <QStandardPaths>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace {

struct DesktopKey {
  const char* desktop;
  const char* schema;
  const char* key;
  bool isThemeName;  // else the event sounds switch
};

constexpr DesktopKey desktopKeys[] = {
    {"GNOME", "org.gnome.desktop.sound", "theme-name", true},
    {"GNOME", "org.gnome.desktop.sound", "event-sounds", false},
    {"MATE", "org.mate.sound", "theme-name", true},
    {"MATE", "org.mate.sound", "event-sounds", false},
};

// Xfce keeps its sound theme in the xsettings channel of xfconf.
const QString xfconfChannel = QStringLiteral("xsettings");
const QString xfconfProperty = QStringLiteral("/Net/SoundThemeName");
const QString xfconfRemembered = QStringLiteral("xfconf xsettings /Net/SoundThemeName");
// What a remembered key holds when the user never set it: reset, not written.
const QString neverSet = QString();

struct SchemaUnref {
  void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
struct ObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantUnref {
  void operator()(GVariant* value) const { g_variant_unref(value); }
};
using SchemaPointer = std::unique_ptr<GSettingsSchema, SchemaUnref>;
using SettingsPointer = std::unique_ptr<GSettings, ObjectUnref>;
using VariantPointer = std::unique_ptr<GVariant, VariantUnref>;

// The settings holding `key`, or null where the schema or key is not
// installed (GSettings aborts on unknown ones).
SettingsPointer settingsFor(const char* schemaName, const char* key) {
  auto* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  SchemaPointer schema(g_settings_schema_source_lookup(source, schemaName, TRUE));
  if (!schema || !g_settings_schema_has_key(schema.get(), key)) return nullptr;
  return SettingsPointer(g_settings_new_full(schema.get(), nullptr, nullptr));
}

QString rememberedName(const char* schema, const char* key) {
  return QString::fromLatin1(schema) + u' ' + QString::fromLatin1(key);
}

QString userValueText(GSettings* settings, const char* key) {
  VariantPointer value(g_settings_get_user_value(settings, key));
  if (!value) return neverSet;
  std::unique_ptr<gchar, decltype(&g_free)> text(g_variant_print(value.get(), TRUE), g_free);
  return QString::fromUtf8(text.get());
}

bool restoreValue(GSettings* settings, const char* key, const QString& text) {
  if (text == neverSet) {
    g_settings_reset(settings, key);
    return true;
  }
  GSettingsSchema* schema = nullptr;
  g_object_get(settings, "settings-schema", &schema, nullptr);
  SchemaPointer owned(schema);
  auto* schemaKey = g_settings_schema_get_key(schema, key);
  VariantPointer value(g_variant_parse(g_settings_schema_key_get_value_type(schemaKey),
                                       text.toUtf8().constData(), nullptr, nullptr, nullptr));
  g_settings_schema_key_unref(schemaKey);
  return value && g_settings_set_value(settings, key, value.get());
}

QString xfconfQuery() {
  return QStandardPaths::findExecutable(QStringLiteral("xfconf-query"));
}

// The exit status and output of xfconf-query with `arguments`; -1 when it
// did not run.
std::pair<int, QString> runXfconf(const QStringList& arguments) {
  QProcess process;
  process.start(xfconfQuery(), QStringList{QStringLiteral("-c"), xfconfChannel,
                                           QStringLiteral("-p"), xfconfProperty} +
                                   arguments);
  if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit) {
    return {-1, {}};
  }
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
}

bool isXfce() {
  return qEnvironmentVariable("XDG_CURRENT_DESKTOP")
      .contains(QLatin1String("XFCE"), Qt::CaseInsensitive);
}

bool restoreXfconf(const QString& value) {
  const QStringList arguments =
      value == neverSet
          ? QStringList{QStringLiteral("-r")}
          : QStringList{QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                        QStringLiteral("-s"), value.mid(1, value.size() - 2)};
  return runXfconf(arguments).first == 0;
}

// The keys of one desktop, its theme name first.
std::vector<const DesktopKey*> desktopKeysOf(std::string_view desktop) {
  std::vector<const DesktopKey*> keys;
  for (const auto& key : desktopKeys) {
    if (key.desktop == desktop) keys.insert(key.isThemeName ? keys.begin() : keys.end(), &key);
  }
  return keys;
}

void addOnce(QStringList& lines, const QString& line) {
  if (!lines.contains(line)) lines.append(line);
}

}  // namespace

const QString TonnixGSettingsSoundTheme::rememberedKey = QStringLiteral("DesktopSoundThemeBefore");
const QString TonnixGSettingsSoundTheme::appliedKey = QStringLiteral("DesktopSoundThemeApplied");

TonnixExpected<QStringList, QString> TonnixGSettingsSoundTheme::apply(const QString& theme) {
  QVariantMap remembered = preferences_.value(rememberedKey).toMap();
  std::vector<std::pair<const DesktopKey*, SettingsPointer>> found;
  for (const auto& key : desktopKeys) {
    auto settings = settingsFor(key.schema, key.key);
    if (!settings) continue;
    const QString name = rememberedName(key.schema, key.key);
    if (!remembered.contains(name)) remembered.insert(name, userValueText(settings.get(), key.key));
    found.emplace_back(&key, std::move(settings));
  }
  // xfconf only answers inside an Xfce session; elsewhere asking it would
  // start its daemon for nothing.
  const bool hasXfconf = isXfce() && !xfconfQuery().isEmpty();
  if (hasXfconf && !remembered.contains(xfconfRemembered)) {
    const auto [status, value] = runXfconf({});
    if (status < 0) return unexpected(QStringLiteral("xfconf-query did not answer"));
    // Quoted, so that an empty theme name differs from one never set.
    remembered.insert(xfconfRemembered, status == 0 ? u'\'' + value + u'\'' : neverSet);
  }
  if (found.empty() && !hasXfconf) {
    if (isXfce()) {
      return unexpected(
          QStringLiteral("Xfce's sound theme is set through xfconf-query, "
                         "which is not installed."));
    }
    return unexpected(
        QStringLiteral("This desktop has no sound theme setting Tonnix knows "
                       "(GNOME, MATE and Xfce have one)."));
  }
  // Kept before anything changes, so that revert always finds it.
  preferences_.setValue(rememberedKey, remembered);
  preferences_.setValue(appliedKey, theme);
  if (const auto failure = preferences_.writeFailure()) return unexpected(*failure);

  QStringList changed;
  const QByteArray name = theme.toUtf8();
  for (const auto& [key, settings] : found) {
    const bool written = key->isThemeName
                             ? g_settings_set_string(settings.get(), key->key, name.constData())
                             : g_settings_set_boolean(settings.get(), key->key, TRUE);
    if (!written) return unexpected(QStringLiteral("%1 refused its sound theme").arg(key->desktop));
    addOnce(changed, QString::fromLatin1(key->desktop));
  }
  g_settings_sync();
  if (hasXfconf) {
    if (runXfconf({QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                   QStringLiteral("-s"), theme})
            .first != 0) {
      return unexpected(QStringLiteral("xfconf-query could not set Xfce's sound theme"));
    }
    changed.append(QStringLiteral("Xfce"));
  }
  return changed;
}

TonnixExpected<TonnixSoundThemeRevert, QString> TonnixGSettingsSoundTheme::revert() {
  const QVariantMap remembered = preferences_.value(rememberedKey).toMap();
  if (remembered.isEmpty()) {
    return unexpected(QStringLiteral("No sound theme was applied, so there is nothing to revert."));
  }
  // Preferences from before Tonnix noted what it applied: restored as then.
  const QVariant applied = preferences_.value(appliedKey);
  const auto chosenSince = [&applied](const QString& current) -> std::optional<QString> {
    if (!applied.isValid() || current == applied.toString()) return std::nullopt;
    return current;
  };
  TonnixSoundThemeRevert result;
  for (const auto& desktop : {"GNOME", "MATE"}) {
    const auto keys = desktopKeysOf(desktop);
    const auto theme = settingsFor(keys.front()->schema, keys.front()->key);
    if (!theme || !remembered.contains(rememberedName(keys.front()->schema, keys.front()->key))) {
      continue;
    }
    std::unique_ptr<gchar, decltype(&g_free)> current(
        g_settings_get_string(theme.get(), keys.front()->key), g_free);
    if (const auto since = chosenSince(QString::fromUtf8(current.get()))) {
      result.kept.append(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(desktop), *since));
      continue;
    }
    for (const auto* key : keys) {
      const QString name = rememberedName(key->schema, key->key);
      auto settings = remembered.contains(name) ? settingsFor(key->schema, key->key) : nullptr;
      if (!settings) continue;
      if (!restoreValue(settings.get(), key->key, remembered.value(name).toString())) {
        return unexpected(QStringLiteral("%1 refused its sound theme").arg(key->desktop));
      }
      addOnce(result.restored, QString::fromLatin1(key->desktop));
    }
  }
  g_settings_sync();
  if (remembered.contains(xfconfRemembered) && !xfconfQuery().isEmpty()) {
    const auto [status, current] = runXfconf({});
    if (const auto since = status == 0 ? chosenSince(current) : std::nullopt) {
      result.kept.append(QStringLiteral("Xfce (%1)").arg(*since));
    } else if (!restoreXfconf(remembered.value(xfconfRemembered).toString())) {
      return unexpected(QStringLiteral("xfconf-query could not restore Xfce's sound theme"));
    } else {
      result.restored.append(QStringLiteral("Xfce"));
    }
  }
  preferences_.removeValue(rememberedKey);
  preferences_.removeValue(appliedKey);
  return result;
}
