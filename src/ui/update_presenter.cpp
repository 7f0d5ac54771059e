#include "ui/update_presenter.h"

#include <QCoreApplication>
#include <QProcess>

#include "app/updater.h"

TonnixUpdatePresenter::TonnixUpdatePresenter(TonnixUpdater& updater, QObject* parent)
    : QObject(parent), updater_(updater) {
  connect(&updater_, &TonnixUpdater::showUpdate, this, [this](const TonnixAppcastItem& update) {
    present().showUpdate(update, updater_.currentVersion());
  });
  connect(&updater_, &TonnixUpdater::upToDate, this, [this] {
    present().showMessage(
        tr("You're up to date."),
        tr("Tonnix %1 is the newest version available.").arg(updater_.currentVersion()));
  });
  connect(&updater_, &TonnixUpdater::checkFailed, this, [this](const QString& reason) {
    present().showMessage(tr("Tonnix could not check for updates."), reason);
  });
  connect(&updater_, &TonnixUpdater::installProgress, this, [this](qint64 received, qint64 total) {
    if (dialog_) dialog_->showProgress(received, total);
  });
  connect(&updater_, &TonnixUpdater::installFailed, this, [this](const QString& reason) {
    present().showMessage(tr("The update was not installed."), reason);
  });
}

TonnixUpdatePresenter::~TonnixUpdatePresenter() {
  delete dialog_;
}

TonnixUpdateDialog& TonnixUpdatePresenter::present() {
  if (!dialog_) {
    dialog_ = new TonnixUpdateDialog;
    connect(dialog_, &TonnixUpdateDialog::installRequested, this,
            [this](const TonnixAppcastItem& update) {
              dialog_->showProgress(0, update.archiveLength);
              const QString version = update.displayVersion;
              // Only this install's end: the next one connects again.
              auto* context = new QObject(this);
              connect(&updater_, &TonnixUpdater::installed, context,
                      [this, context, version](const QString& program) {
                        installedProgram_ = program;
                        // Shown again if it was closed while downloading.
                        present().showInstalled(version);
                        context->deleteLater();
                      });
              connect(&updater_, &TonnixUpdater::installFailed, context, &QObject::deleteLater);
              updater_.installUpdate(update);
            });
    connect(dialog_, &TonnixUpdateDialog::skipRequested, &updater_, &TonnixUpdater::skipVersion);
    connect(dialog_, &TonnixUpdateDialog::restartRequested, this, &TonnixUpdatePresenter::restart);
  }
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
  updater_.attentionReceived();
  return *dialog_;
}

// The new program starts once this process has ended, so that it finds
// the session's Tonnix gone instead of handing itself over to this one.
void TonnixUpdatePresenter::restart() {
  if (installedProgram_.isEmpty()) return;
  const QString waitThenStart =
      QStringLiteral("while kill -0 \"$1\" 2>/dev/null; do sleep 0.2; done; exec \"$0\"");
  QProcess::startDetached(QStringLiteral("/bin/sh"),
                          {QStringLiteral("-c"), waitThenStart, installedProgram_,
                           QString::number(QCoreApplication::applicationPid())});
  emit quitRequested();
}
