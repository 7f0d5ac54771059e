#pragma once

#include <QObject>
#include <QPointer>

#include "ui/update_dialog.h"

class TonnixUpdater;

// Shows the update window whenever the updater asks for it, and carries
// out what the user chooses there. Showing it counts as the user's
// attention, which takes back a reminder still on screen. Main thread only.
class TonnixUpdatePresenter : public QObject {
  Q_OBJECT

 public:
  explicit TonnixUpdatePresenter(TonnixUpdater& updater, QObject* parent = nullptr);
  ~TonnixUpdatePresenter() override;

  // The window once made.
  TonnixUpdateDialog* dialog() const { return dialog_; }

 signals:
  // The user chose to restart into an installed update: the new program
  // starts once this process has ended.
  void quitRequested();

 private:
  TonnixUpdateDialog& present();
  void restart();

  TonnixUpdater& updater_;
  QPointer<TonnixUpdateDialog> dialog_;
  QString installedProgram_;
};
