#include "ui/update_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace {

// Feeds write their notes as HTML or as text; either way only the words
// are kept.
QString plainNotes(const TonnixAppcastItem& update) {
  QString notes = update.releaseNotes.contains(u'<')
                      ? QTextDocumentFragment::fromHtml(update.releaseNotes).toPlainText()
                      : update.releaseNotes;
  if (update.releaseNotesLink.isValid()) {
    if (!notes.isEmpty()) notes += QStringLiteral("\n\n");
    notes += QStringLiteral("More: ") + update.releaseNotesLink.toDisplayString();
  }
  return notes.trimmed();
}

}  // namespace

TonnixUpdateDialog::TonnixUpdateDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Software Update"));
  auto* column = new QVBoxLayout(this);
  headline_ = new QLabel;
  QFont bold = headline_->font();
  bold.setBold(true);
  headline_->setFont(bold);
  headline_->setWordWrap(true);
  // It names the feed's version, which is no markup of ours.
  headline_->setTextFormat(Qt::PlainText);
  detail_ = new QLabel;
  detail_->setWordWrap(true);
  detail_->setTextFormat(Qt::PlainText);
  notes_ = new QPlainTextEdit;
  notes_->setObjectName(QStringLiteral("releaseNotes"));
  notes_->setReadOnly(true);
  notes_->setMinimumSize(fontMetrics().averageCharWidth() * 60, fontMetrics().height() * 10);
  progress_ = new QProgressBar;
  column->addWidget(headline_);
  column->addWidget(detail_);
  column->addWidget(notes_, 1);
  column->addWidget(progress_);

  auto* buttons = new QDialogButtonBox;
  skip_ = buttons->addButton(tr("Skip This Version"), QDialogButtonBox::RejectRole);
  later_ = buttons->addButton(tr("Remind Me Later"), QDialogButtonBox::RejectRole);
  install_ = buttons->addButton(tr("Install Update"), QDialogButtonBox::AcceptRole);
  restart_ = buttons->addButton(tr("Restart Tonnix"), QDialogButtonBox::AcceptRole);
  close_ = buttons->addButton(QDialogButtonBox::Close);
  column->addWidget(buttons);
  connect(install_, &QPushButton::clicked, this, [this] { emit installRequested(update_); });
  connect(skip_, &QPushButton::clicked, this, [this] {
    emit skipRequested(update_);
    hide();
  });
  connect(later_, &QPushButton::clicked, this, &QDialog::hide);
  connect(restart_, &QPushButton::clicked, this, &TonnixUpdateDialog::restartRequested);
  connect(close_, &QPushButton::clicked, this, &QDialog::hide);
}

void TonnixUpdateDialog::showUpdate(const TonnixAppcastItem& update,
                                    const QString& currentVersion) {
  update_ = update;
  headline_->setText(tr("Tonnix %1 is available").arg(update.displayVersion));
  detail_->setText(
      tr("You have %1. Would you like to install the update now?").arg(currentVersion));
  notes_->setPlainText(plainNotes(update));
  notes_->setVisible(!notes_->toPlainText().isEmpty());
  progress_->hide();
  showButtons({skip_, later_, install_});
  install_->setDefault(true);
}

void TonnixUpdateDialog::showMessage(const QString& headline, const QString& detail) {
  headline_->setText(headline);
  detail_->setText(detail);
  notes_->hide();
  progress_->hide();
  showButtons({close_});
}

void TonnixUpdateDialog::showProgress(qint64 received, qint64 total) {
  detail_->setText(tr("Downloading Tonnix %1…").arg(update_.displayVersion));
  progress_->show();
  // Bytes, scaled to kibibytes so that the bar's int range holds any archive.
  progress_->setRange(0, total > 0 ? static_cast<int>(total / 1024) : 0);
  progress_->setValue(static_cast<int>(received / 1024));
  showButtons({});
}

void TonnixUpdateDialog::showInstalled(const QString& displayVersion) {
  showMessage(tr("Tonnix %1 is installed").arg(displayVersion),
              tr("It starts the next time Tonnix starts. Restart Tonnix now to use it."));
  showButtons({close_, restart_});
  restart_->setDefault(true);
}

void TonnixUpdateDialog::showButtons(std::initializer_list<QPushButton*> shown) {
  for (QPushButton* button : {install_, skip_, later_, restart_, close_}) {
    button->setVisible(std::find(shown.begin(), shown.end(), button) != shown.end());
  }
}
