#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "app/afflicted_application.h"
#include "ui/settings_model.h"

class QLabel;
class QListWidget;
class QStackedWidget;
class TonnixApplicationChooser;

// The "Afflicted Apps" page: the running applications with a user interface
// and the excluded ones, how Tonnix observes each, and a button per row to
// exclude or include it; an application can also be excluded before it
// runs (chosen, or its .desktop file dropped on the page), and the running
// ones scanned again. It keeps only what is on screen
// (whether the chooser is open, an error to show) and redraws when the
// controller's applications list changes. Main thread only.
class TonnixAfflictedAppsView : public QWidget {
  Q_OBJECT

 public:
  explicit TonnixAfflictedAppsView(TonnixSettingsModel model, QWidget* parent = nullptr);

  // The line under the header: how many rows are observed, excluded and
  // timed out, or that nothing is observed while sounds are off.
  static QString summary(const TonnixAfflictedApplications& applications, bool isRunning);

  bool isChoosingApplication() const { return chooser_ != nullptr; }
  const std::optional<QString>& failureDescription() const { return failureDescription_; }

  // Opens the chooser of installed applications; the one chosen is excluded.
  void chooseApplication();
  // Shows the application's .desktop file or executable in the file manager,
  // or says that it is gone.
  void showInFileManager(const TonnixAfflictedApplication& application);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QWidget* makeHeader();
  QWidget* makeFailureBanner();
  QWidget* makeRow(const TonnixAfflictedApplication& application);
  void showRowMenu(const QPoint& position);
  void setFailureDescription(std::optional<QString> description);
  void refresh();

  TonnixSettingsModel model_;
  TonnixApplicationChooser* chooser_ = nullptr;
  std::optional<QString> failureDescription_;

  QLabel* summary_ = nullptr;
  QWidget* failureBanner_ = nullptr;
  QLabel* failureText_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QListWidget* rows_ = nullptr;
};
