#pragma once

#include <QMainWindow>
#include <QStyle>

#include "ui/settings_model.h"

class QTabWidget;

// Tonnix's one window: its settings, a tab per concern, a main window so
// that screen readers find a frame. Closing it (Ctrl+W) only hides it:
// Tonnix goes on playing; Ctrl+Q and the General tab's "Quit Tonnix" ask
// to quit. Main thread only.
class TonnixSettingsView : public QMainWindow {
  Q_OBJECT

 public:
  // Everything given must outlive the window.
  explicit TonnixSettingsView(TonnixSettingsModel model, QWidget* parent = nullptr);

  QTabWidget& tabs() { return *tabs_; }

 signals:
  // The user asked Tonnix to quit; the application shell decides how.
  void quitRequested();

 private:
  void addTab(QWidget* tab, const QString& title, const char* iconName,
              QStyle::StandardPixmap fallbackIcon);

  TonnixSettingsModel model_;
  QTabWidget* tabs_ = nullptr;
};
