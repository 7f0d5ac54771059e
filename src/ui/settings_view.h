#pragma once

#include <QStyle>
#include <QWidget>

#include "ui/settings_model.h"

class QTabWidget;

// Tonnix's one window: its settings, a tab per concern. Closing it only
// hides it (Tonnix goes on playing); Ctrl+Q and the General tab's "Quit
// Tonnix" ask to quit. Sound-set bundles, folders and classic set files
// dropped on it are imported together. Main thread only.
class TonnixSettingsView : public QWidget {
  Q_OBJECT

 public:
  // Everything given must outlive the window.
  explicit TonnixSettingsView(TonnixSettingsModel model, QWidget* parent = nullptr);

  QTabWidget& tabs() { return *tabs_; }

 signals:
  // The user asked Tonnix to quit; the application shell decides how.
  void quitRequested();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void addTab(QWidget* tab, const QString& title, const char* iconName,
              QStyle::StandardPixmap fallbackIcon);

  TonnixSettingsModel model_;
  QTabWidget* tabs_ = nullptr;
};
