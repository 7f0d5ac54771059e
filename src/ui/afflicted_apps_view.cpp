#include "ui/afflicted_apps_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/controller.h"
#include "ui/appearance.h"
#include "ui/application_chooser.h"
#include "ui/file_manager.h"

namespace {

constexpr int rowIconSize = 32;

int countOf(const TonnixAfflictedApplications& applications,
            bool (*holds)(const TonnixAfflictedApplication&)) {
  return int(std::count_if(applications.begin(), applications.end(), holds));
}

QLabel* iconLabel(const QIcon& icon, const QWidget& widget) {
  auto* label = new QLabel;
  label->setPixmap(icon.pixmap(QSize(rowIconSize, rowIconSize), widget.devicePixelRatioF()));
  label->setFixedSize(rowIconSize, rowIconSize);
  return label;
}

QString captionOf(const TonnixAfflictedApplication& application) {
  if (!application.bundleIdentifier && application.processIdentifier) {
    return TonnixAfflictedAppsView::tr("no application ID");
  }
  return application.statusText();
}

QPushButton* exclusionButton(const TonnixAfflictedApplication& application) {
  auto* button = new QPushButton(application.isExcluded ? TonnixAfflictedAppsView::tr("Include")
                                                        : TonnixAfflictedAppsView::tr("Exclude"));
  button->setFlat(true);
  if (!application.bundleIdentifier) {
    button->setEnabled(false);
    button->setToolTip(TonnixAfflictedAppsView::tr(
        "This process has no application ID, so Tonnix cannot tell it apart to exclude "
        "it."));
  } else {
    button->setToolTip(TonnixAfflictedAppsView::tr("Exclusions are remembered by application ID."));
  }
  return button;
}

// The local .desktop files among dropped URLs: applications to exclude.
std::vector<std::filesystem::path> desktopFiles(const QMimeData& data) {
  std::vector<std::filesystem::path> files;
  for (const QUrl& url : data.urls()) {
    const QString file = url.toLocalFile();
    if (url.isLocalFile() && file.endsWith(QStringLiteral(".desktop"))) {
      files.emplace_back(file.toStdString());
    }
  }
  return files;
}

}  // namespace

TonnixAfflictedAppsView::TonnixAfflictedAppsView(TonnixSettingsModel model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setAcceptDrops(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(makeHeader());
  layout->addWidget(makeFailureBanner());

  rows_ = new QListWidget;
  rows_->setAccessibleName(tr("Applications"));
  rows_->setSelectionMode(QAbstractItemView::NoSelection);
  rows_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(rows_, &QListWidget::customContextMenuRequested, this,
          &TonnixAfflictedAppsView::showRowMenu);
  pages_ = withEmptyText(rows_, tr("No applications with a user interface are running."),
                         "noApplications");
  layout->addWidget(pages_, 1);

  auto& tonnix = model_.tonnix;
  connect(&tonnix.applications(), &TonnixApplicationsList::afflictedApplicationsChanged, this,
          &TonnixAfflictedAppsView::refresh);
  connect(&tonnix, &TonnixController::isRunningChanged, this, &TonnixAfflictedAppsView::refresh);
  refresh();
}

QString TonnixAfflictedAppsView::summary(const TonnixAfflictedApplications& applications,
                                         bool isRunning) {
  const int excluded = countOf(applications, [](const auto& row) { return row.isExcluded; });
  const QString excludedCount = QString::number(excluded);
  if (!isRunning) {
    return tr("Sounds are switched off, so nothing is being observed. ") + excludedCount +
           tr(" excluded.");
  }
  const int observed = countOf(applications, [](const auto& row) { return row.isObserved; });
  const int timedOut =
      countOf(applications, [](const auto& row) { return row.timeout.has_value(); });
  QString text = tr("Observing ") + QString::number(observed) + tr(" of ") +
                 QString::number(int(applications.size()) - excluded) + tr(" apps, ") +
                 excludedCount + tr(" excluded");
  if (timedOut > 0) text += QStringLiteral(", ") + QString::number(timedOut) + tr(" timed out");
  return text + u'.';
}

QWidget* TonnixAfflictedAppsView::makeHeader() {
  auto* header = new QWidget;
  auto* column = new QVBoxLayout(header);
  column->setContentsMargins(0, 0, 0, 0);
  auto* buttons = new QHBoxLayout;
  auto* exclude = new QPushButton(themeIcon("list-remove", QStyle::SP_DialogNoButton, *this),
                                  tr("Exclude App…"));
  exclude->setToolTip(tr("Exclude an application whether or not it is running."));
  connect(exclude, &QPushButton::clicked, this, &TonnixAfflictedAppsView::chooseApplication);
  auto* rescan =
      new QPushButton(themeIcon("view-refresh", QStyle::SP_BrowserReload, *this), tr("Rescan"));
  connect(rescan, &QPushButton::clicked, this, [this] {
    model_.tonnix.rescan();
    model_.tonnix.applications().rebuild();
  });
  summary_ = new QLabel;
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setWordWrap(true);
  buttons->addWidget(summary_, 1);
  buttons->addWidget(exclude);
  buttons->addWidget(rescan);
  column->addLayout(buttons);
  return header;
}

QWidget* TonnixAfflictedAppsView::makeFailureBanner() {
  failureBanner_ = new QWidget;
  auto* row = new QHBoxLayout(failureBanner_);
  row->setContentsMargins(0, 0, 0, 0);
  failureText_ = new QLabel;
  failureText_->setObjectName(QStringLiteral("failure"));
  makeWarningText(*failureText_);
  auto* dismiss = new QPushButton(tr("Dismiss"));
  dismiss->setFlat(true);
  connect(dismiss, &QPushButton::clicked, this, [this] { setFailureDescription(std::nullopt); });
  row->addWidget(failureText_, 1);
  row->addWidget(dismiss);
  failureBanner_->hide();
  return failureBanner_;
}

QWidget* TonnixAfflictedAppsView::makeRow(const TonnixAfflictedApplication& application) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->addWidget(iconLabel(applicationIcon(application.icon, *this), *this));

  auto* texts = new QVBoxLayout;
  texts->setSpacing(0);
  auto* name = new QLabel(application.name);
  name->setTextFormat(Qt::PlainText);
  auto* caption = new QLabel(captionOf(application));
  makeSecondaryText(*caption);
  texts->addWidget(name);
  texts->addWidget(caption);
  layout->addLayout(texts, 1);

  if (const auto timeout = application.timeoutText()) {
    auto* stopwatch = new QLabel;
    // Breeze draws a stopwatch; Adwaita has only an alarm clock.
    const QIcon symbol =
        QIcon::fromTheme(QStringLiteral("chronometer"),
                         themeIcon("alarm-symbolic", QStyle::SP_MessageBoxWarning, *this));
    stopwatch->setPixmap(warningSymbol(symbol, *this));
    stopwatch->setToolTip(*timeout);
    layout->addWidget(stopwatch);
  }

  auto* button = exclusionButton(application);
  connect(button, &QPushButton::clicked, this,
          [this, application] { model_.tonnix.applications().toggleExclusion(application); });
  layout->addWidget(button);
  return row;
}

void TonnixAfflictedAppsView::refresh() {
  const auto& applications = model_.tonnix.applications().afflictedApplications();
  summary_->setText(summary(applications, model_.tonnix.isRunning()));
  rows_->clear();
  for (const auto& application : applications) {
    auto* item = new QListWidgetItem(rows_);
    // What a screen reader says for the row its widget draws.
    item->setData(Qt::AccessibleTextRole,
                  application.name + QStringLiteral(", ") + captionOf(application));
    auto* row = makeRow(application);
    item->setSizeHint(row->sizeHint());
    rows_->setItemWidget(item, row);
  }
  pages_->setCurrentIndex(applications.empty() ? 1 : 0);
}

void TonnixAfflictedAppsView::showRowMenu(const QPoint& position) {
  const int row = rows_->row(rows_->itemAt(position));
  const auto& applications = model_.tonnix.applications().afflictedApplications();
  if (row < 0 || std::size_t(row) >= applications.size()) return;
  const auto application = applications[std::size_t(row)];
  if (!application.fileURL) return;
  QMenu menu(this);
  menu.addAction(themeIcon("folder-open", QStyle::SP_DirOpenIcon, *this), tr("Show in Folder"),
                 this, [this, application] { showInFileManager(application); });
  menu.exec(rows_->viewport()->mapToGlobal(position));
}

void TonnixAfflictedAppsView::showInFileManager(const TonnixAfflictedApplication& application) {
  if (!application.fileURL) return;
  std::error_code error;
  if (!std::filesystem::exists(*application.fileURL, error)) {
    setFailureDescription(application.name + tr(" is no longer on disk where it was."));
    return;
  }
  ::showInFileManager(*application.fileURL, *this);
}

void TonnixAfflictedAppsView::chooseApplication() {
  if (chooser_) return;
  chooser_ = new TonnixApplicationChooser(model_.applications.installedApplications(), this);
  chooser_->setAttribute(Qt::WA_DeleteOnClose);
  connect(chooser_, &QDialog::finished, this, [this](int result) {
    const auto file = chooser_->chosenFile();
    chooser_ = nullptr;
    if (result != QDialog::Accepted || !file) return;
    const auto excluded = model_.tonnix.applications().exclude(*file);
    if (!excluded) setFailureDescription(excluded.error().description());
  });
  chooser_->open();
}

void TonnixAfflictedAppsView::setFailureDescription(std::optional<QString> description) {
  failureDescription_ = std::move(description);
  failureBanner_->setVisible(failureDescription_.has_value());
  if (failureDescription_) failureText_->setText(*failureDescription_);
}

void TonnixAfflictedAppsView::dragEnterEvent(QDragEnterEvent* event) {
  if (!desktopFiles(*event->mimeData()).empty()) event->acceptProposedAction();
}

void TonnixAfflictedAppsView::dropEvent(QDropEvent* event) {
  const auto files = desktopFiles(*event->mimeData());
  if (files.empty()) return;
  event->acceptProposedAction();
  for (const auto& file : files) {
    const auto excluded = model_.tonnix.applications().exclude(file);
    if (!excluded) setFailureDescription(excluded.error().description());
  }
}
