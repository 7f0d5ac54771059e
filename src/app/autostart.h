#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <string>

#include "support/expected.h"

// Why the login entry could not be written or removed.
struct TonnixAutostartError {
  std::filesystem::path path;
  std::string message;

  // "Could not change /home/a/.config/autostart/org.tonnix.Tonnix.desktop:
  // Permission denied"
  QString description() const;
};

// Starting Tonnix when the user logs in: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/org.tonnix.Tonnix.desktop, that every
// freedesktop session (GNOME, KDE, Xfce, …) starts. An entry the user
// switched off in the desktop's own settings (Hidden=true, or
// X-GNOME-Autostart-enabled=false) counts as off. Main thread only.
class TonnixAutostart : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY isEnabledChanged)

 public:
  // `executable` is what the entry starts: this program by default, through
  // the `current` link when an update may replace it. An entry that starts
  // a program no longer there is brought up to date.
  explicit TonnixAutostart(std::filesystem::path entry = standardEntry(),
                           QString executable = QString(), QObject* parent = nullptr);

  static std::filesystem::path standardEntry();

  bool isEnabled() const { return isEnabled_; }
  // Writes the entry atomically, or removes it; on failure nothing changes
  // and isEnabled() keeps its value.
  TonnixExpected<TonnixDone, TonnixAutostartError> setEnabled(bool isEnabled);
  // Reads the entry again, for changes made outside Tonnix.
  void refresh();

 signals:
  void isEnabledChanged();

 private:
  void setIsEnabled(bool isEnabled);

  std::filesystem::path entry_;
  QString executable_;
  bool isEnabled_ = false;
};
