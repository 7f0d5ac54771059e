#pragma once

#include <QDialog>

#include "app/appcast.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The update window: an available update with its release notes and what
// to do with it, the download's progress, and how it ended. Release notes
// show as plain text: nothing a feed sends is rendered as a page or fetched
// from elsewhere. It only shows and asks; the presenter acts.
class TonnixUpdateDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TonnixUpdateDialog(QWidget* parent = nullptr);

  void showUpdate(const TonnixAppcastItem& update, const QString& currentVersion);
  // A headline and a line under it, with one button to close.
  void showMessage(const QString& headline, const QString& detail);
  void showProgress(qint64 received, qint64 total);
  // The update is in place and starts with the next start of Tonnix.
  void showInstalled(const QString& displayVersion);

 signals:
  void installRequested(const TonnixAppcastItem& update);
  void skipRequested(const TonnixAppcastItem& update);
  void restartRequested();

 private:
  void showButtons(std::initializer_list<QPushButton*> shown);

  TonnixAppcastItem update_;
  QLabel* headline_ = nullptr;
  QLabel* detail_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* install_ = nullptr;
  QPushButton* skip_ = nullptr;
  QPushButton* later_ = nullptr;
  QPushButton* restart_ = nullptr;
  QPushButton* close_ = nullptr;
};
