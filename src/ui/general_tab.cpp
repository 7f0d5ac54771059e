#include "ui/general_tab.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/autostart.h"
#include "app/controller.h"
#include "app/updater.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/accessibility_status.h"
#include "platform/mouse_monitor.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"
#include "ui/appearance.h"
#include "ui/event_words.h"

namespace {

// The sound the test button plays: a menu opening, short and familiar.
constexpr TonnixSoundID testSoundID("mnuo");
constexpr int volumeSteps = 100;
// Wide enough for a bar, narrow enough to sit beside its text.
constexpr int attachProgressWidth = 80;

QString applicationLabel(const TonnixEvent& event) {
  if (event.applicationName && !event.applicationName->isEmpty()) return *event.applicationName;
  return QStringLiteral("pid ") + QString::number(event.processIdentifier);
}

QTreeWidgetItem* eventRow(const TonnixEvent& event, const TonnixPlayer& player,
                          const QWidget& widget) {
  const bool hasSound = player.hasSound(event.soundID);
  const auto source = hasSound ? player.sourceName(event.soundID) : std::nullopt;
  auto* row = new QTreeWidgetItem(
      {eventDisplayName(event.notificationName, event.soundID),
       source ? QString::fromStdString(*source) : TonnixGeneralTab::tr("No sound"),
       applicationLabel(event)});
  row->setToolTip(0, TonnixGeneralTab::tr("Reported as ") + event.notificationName);
  row->setIcon(0, hasSound ? themeIcon("audio-volume-high", QStyle::SP_MediaVolume, widget)
                           : themeIcon("audio-volume-muted", QStyle::SP_MediaVolumeMuted, widget));
  return row;
}

// A column of widgets without margins of its own, indented by `indent`.
QVBoxLayout* columnIn(QWidget* widget, int indent = 0) {
  auto* column = new QVBoxLayout(widget);
  column->setContentsMargins(indent, 0, 0, 0);
  return column;
}

}  // namespace

TonnixGeneralTab::TonnixGeneralTab(TonnixSettingsModel model, QWidget* parent)
    : QWidget(parent), model_(model) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(makeScrollingGroups());
  layout->addWidget(makeStartAndQuitBar());

  silenceSummaryTimer_.setInterval(silenceSummaryRefreshMilliseconds);
  connect(&silenceSummaryTimer_, &QTimer::timeout, this, &TonnixGeneralTab::refreshSilence);
  connectModel();
  isAccessibilityTrusted_ = model_.accessibility.isTrusted();
  refreshStatus();
  refreshSwitches();
  refreshAttachProgress();
  refreshAccessibilityTrust();
  refreshTestSound();
  refreshSilence();
  refreshRecentEvents();
  refreshAutostart();
}

void TonnixGeneralTab::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  isAccessibilityTrusted_ = model_.accessibility.isTrusted();
  refreshAccessibilityTrust();
  model_.autostart.refresh();
  refreshSilence();
  refreshUpdates();
  silenceSummaryTimer_.start();
}

void TonnixGeneralTab::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  silenceSummaryTimer_.stop();
}

// --- Building

// The status line and the groups, which scroll when the window is small or
// the reasons are shown.
QWidget* TonnixGeneralTab::makeScrollingGroups() {
  auto* content = new QWidget;
  auto* column = new QVBoxLayout(content);
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("status"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(status_);
  column->addWidget(makeSoundsGroup());
  column->addWidget(makeSilenceGroup());
  column->addWidget(makeUpdatesGroup());
  // The recent events take what room is left, so that at the window's
  // default size everything, their Clear button too, is in view.
  column->addWidget(makeEventsGroup(), 1);

  auto* scroll = new QScrollArea;
  scroll->setWidget(content);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  // The keyboard goes to the controls, and the page scrolls to show them.
  scroll->setFocusPolicy(Qt::NoFocus);
  return scroll;
}

QWidget* TonnixGeneralTab::makeSoundsGroup() {
  auto& tonnix = model_.tonnix;
  auto& player = tonnix.player();
  auto* group = new QGroupBox(tr("Sounds"));
  auto* form = new QFormLayout(group);

  notificationSounds_ = new QCheckBox(tr("Play sounds for accessibility notifications"));
  connect(notificationSounds_, &QCheckBox::toggled, &tonnix,
          &TonnixController::setPlaysNotificationSounds);
  form->addRow(notificationSounds_);
  form->addRow(makeListeningDetails());

  clickSounds_ = new QCheckBox(tr("Play sounds for clicks on controls"));
  connect(clickSounds_, &QCheckBox::toggled, &tonnix, &TonnixController::setPlaysClickSounds);
  form->addRow(clickSounds_);
  pointerAccess_ = new QLabel;
  pointerAccess_->setObjectName(QStringLiteral("pointerAccess"));
  pointerAccess_->setWordWrap(true);
  pointerAccess_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  makeWarningText(*pointerAccess_);
  pointerAccess_->setContentsMargins(checkBoxTextIndent(*this), 0, 0, 0);
  form->addRow(pointerAccess_);
  genericClickSound_ = new QCheckBox(tr("Play sounds for all clicks"));
  connect(genericClickSound_, &QCheckBox::toggled, &tonnix,
          &TonnixController::setPlaysGenericClickSound);
  form->addRow(genericClickSound_);
  autoPan_ = new QCheckBox(tr("Auto-pan with the pointer"));
  connect(autoPan_, &QCheckBox::toggled, &player, &TonnixPlayer::setStereoEnabled);
  form->addRow(autoPan_);

  volume_ = new QSlider(Qt::Horizontal);
  volume_->setAccessibleName(tr("Volume"));
  volume_->setRange(0, volumeSteps);
  volume_->setPageStep(volumeSteps / 10);
  // Every stored change rewrites the preferences, so a drag is stored once,
  // when it ends; keys and clicks on the groove store at once.
  connect(volume_, &QSlider::valueChanged, this, [this] {
    if (!volume_->isSliderDown()) setVolumeFromSlider();
  });
  connect(volume_, &QSlider::sliderReleased, this, &TonnixGeneralTab::setVolumeFromSlider);
  form->addRow(tr("Volume"), volume_);
  form->addRow(makeSoundButtons());
  return group;
}

QWidget* TonnixGeneralTab::makeListeningDetails() {
  auto* details = new QWidget;
  auto* column = columnIn(details, checkBoxTextIndent(*this));

  attachProgressRow_ = new QWidget;
  auto* row = new QHBoxLayout(attachProgressRow_);
  row->setContentsMargins(0, 0, 0, 0);
  attachProgress_ = new QProgressBar;
  attachProgress_->setFixedWidth(attachProgressWidth);
  attachProgress_->setTextVisible(false);
  attachProgress_->setAccessibleName(tr("Attaching to applications"));
  attachProgressText_ = new QLabel;
  row->addWidget(attachProgress_);
  row->addWidget(attachProgressText_, 1);
  column->addWidget(attachProgressRow_);

  attachCounts_ = new QLabel;
  attachCounts_->setObjectName(QStringLiteral("attachCounts"));
  makeSecondaryText(*attachCounts_);
  column->addWidget(attachCounts_);
  column->addWidget(makeAccessibilityWarning());
  return details;
}

QWidget* TonnixGeneralTab::makeAccessibilityWarning() {
  accessibilityWarning_ = new QWidget;
  accessibilityWarning_->setObjectName(QStringLiteral("accessibilityWarning"));
  auto* row = new QHBoxLayout(accessibilityWarning_);
  row->setContentsMargins(0, 0, 0, 0);

  auto* texts = new QWidget;
  auto* column = columnIn(texts);
  auto* warning = new QLabel(tr("Accessibility access is required to hear other apps."));
  makeWarningText(*warning);
  auto* meaning =
      new QLabel(tr("Granting it switches on the desktop's accessibility support, which "
                    "applications look at when they start: applications already open may need "
                    "to be restarted before Tonnix hears them."));
  makeSecondaryText(*meaning);
  column->addWidget(warning);
  column->addWidget(meaning);

  auto* grant = new QPushButton(tr("Grant…"));
  connect(grant, &QPushButton::clicked, this, [this, grant] {
    grant->setEnabled(false);
    model_.accessibility.requestTrust([tab = QPointer(this), grant](bool trusted) {
      if (!tab) return;
      grant->setEnabled(true);
      tab->isAccessibilityTrusted_ = trusted;
      tab->refreshAccessibilityTrust();
      // Applications that expose themselves from now on are attached, and
      // the status line says so.
      if (trusted) tab->model_.tonnix.rescan();
      tab->refreshStatus();
    });
  });
  row->addWidget(texts, 1);
  row->addWidget(grant, 0, Qt::AlignTop);
  return accessibilityWarning_;
}

QWidget* TonnixGeneralTab::makeSoundButtons() {
  auto* buttons = new QWidget;
  auto* row = new QHBoxLayout(buttons);
  row->setContentsMargins(0, 0, 0, 0);
  testSound_ = new QPushButton(themeIcon("media-playback-start", QStyle::SP_MediaPlay, *this),
                               tr("Test Sound"));
  connect(testSound_, &QPushButton::clicked, this,
          [this] { model_.tonnix.player().preview(testSoundID); });
  auto* rescanApps = new QPushButton(themeIcon("view-refresh", QStyle::SP_BrowserReload, *this),
                                     tr("Rescan Apps"));
  connect(rescanApps, &QPushButton::clicked, this, &TonnixGeneralTab::rescan);
  row->addWidget(testSound_);
  row->addWidget(rescanApps);
  row->addStretch();
  return buttons;
}

QWidget* TonnixGeneralTab::makeSilenceGroup() {
  auto* group = new QGroupBox(tr("When to go quiet"));
  auto* column = new QVBoxLayout(group);
  // A disclosure triangle with the summary beside it.
  silenceSummary_ = new QToolButton;
  silenceSummary_->setObjectName(QStringLiteral("silenceSummary"));
  silenceSummary_->setAutoRaise(true);
  silenceSummary_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  silenceSummary_->setArrowType(Qt::RightArrow);
  column->addWidget(silenceSummary_);
  column->addWidget(makeSilenceReasons());
  connect(silenceSummary_, &QToolButton::clicked, this, [this] {
    isShowingSilenceReasons_ = !isShowingSilenceReasons_;
    silenceSummary_->setArrowType(isShowingSilenceReasons_ ? Qt::DownArrow : Qt::RightArrow);
    silenceReasons_->setVisible(isShowingSilenceReasons_);
  });
  return group;
}

QWidget* TonnixGeneralTab::makeSilenceReasons() {
  silenceReasons_ = new QWidget;
  silenceReasons_->setVisible(false);
  // Under the summary's text, as the rows of an opened disclosure triangle.
  const int indent = checkBoxTextIndent(*this);
  auto* column = columnIn(silenceReasons_, indent);
  for (const TonnixSilenceReason reason : allSilenceReasons) {
    auto* box = new QCheckBox(title(reason));
    connect(box, &QCheckBox::toggled, this,
            [this, reason](bool isOn) { model_.silence.setEnabled(isOn, reason); });
    auto* text = new QLabel(explanation(reason));
    makeSecondaryText(*text);
    text->setContentsMargins(indent, 0, 0, 0);
    column->addWidget(box);
    column->addWidget(text);
    if (reason == TonnixSilenceReason::focus) {
      focusUnknown_ = new QLabel(
          tr("Tonnix cannot read Do Not Disturb from this desktop's notification server, so "
             "this never keeps it quiet."));
      focusUnknown_->setObjectName(QStringLiteral("focusUnknown"));
      focusUnknown_->setWordWrap(true);
      makeWarningText(*focusUnknown_);
      focusUnknown_->setContentsMargins(indent, 0, 0, 0);
      column->addWidget(focusUnknown_);
    }
    silenceReasonBoxes_[reason] = box;
  }
  return silenceReasons_;
}

// Checking for updates: the switch and the button on one row, how long ago
// the last check was and what keeps checks from working below them.
QWidget* TonnixGeneralTab::makeUpdatesGroup() {
  auto& updater = model_.updater;
  auto* group = new QGroupBox(tr("Updates"));
  auto* grid = new QGridLayout(group);
  updateSource_ = new QLabel(tr("Updates to Tonnix come from your system's package manager."));
  updateSource_->setObjectName(QStringLiteral("updateSource"));
  updateSource_->setWordWrap(true);
  checksForUpdates_ = new QCheckBox(tr("Automatically check for updates"));
  connect(checksForUpdates_, &QCheckBox::toggled, &updater, &TonnixUpdater::setChecksAutomatically);
  checkForUpdates_ = new QPushButton(tr("Check for Updates…"));
  connect(checkForUpdates_, &QPushButton::clicked, &updater, &TonnixUpdater::checkForUpdates);
  lastUpdateCheck_ = new QLabel;
  lastUpdateCheck_->setObjectName(QStringLiteral("lastUpdateCheck"));
  makeSecondaryText(*lastUpdateCheck_);
  updateProblem_ = new QLabel;
  updateProblem_->setObjectName(QStringLiteral("updateProblem"));
  updateProblem_->setWordWrap(true);
  updateProblem_->setTextFormat(Qt::PlainText);
  makeWarningText(*updateProblem_);
  grid->addWidget(updateSource_, 0, 0, 1, 2);
  grid->addWidget(checksForUpdates_, 0, 0);
  grid->addWidget(checkForUpdates_, 0, 1, Qt::AlignRight);
  grid->addWidget(lastUpdateCheck_, 1, 0, 1, 2);
  grid->addWidget(updateProblem_, 2, 0, 1, 2);
  grid->setColumnStretch(0, 1);

  for (const auto changed :
       {&TonnixUpdater::checksAutomaticallyChanged, &TonnixUpdater::canCheckForUpdatesChanged,
        &TonnixUpdater::lastCheckDateChanged, &TonnixUpdater::startFailureDescriptionChanged,
        &TonnixUpdater::failureDescriptionChanged}) {
    connect(&updater, changed, this, &TonnixGeneralTab::refreshUpdates);
  }
  refreshUpdates();
  return group;
}

QWidget* TonnixGeneralTab::makeEventsGroup() {
  auto& dispatcher = model_.tonnix.dispatcher();
  auto* group = new QGroupBox(tr("Recent events"));
  auto* column = new QVBoxLayout(group);
  monitoring_ = new QCheckBox(tr("Log notifications from other apps"));
  connect(monitoring_, &QCheckBox::toggled, &dispatcher, &TonnixEventDispatcher::setMonitoring);
  column->addWidget(monitoring_);

  recentEvents_ = new QTreeWidget;
  recentEvents_->setObjectName(QStringLiteral("recentEvents"));
  recentEvents_->setHeaderLabels({tr("Event"), tr("Sound"), tr("Application")});
  recentEvents_->setRootIsDecorated(false);
  recentEvents_->setUniformRowHeights(true);
  recentEvents_->setAccessibleName(tr("Recent events"));
  recentEvents_->setSelectionMode(QAbstractItemView::NoSelection);
  recentEvents_->header()->setStretchLastSection(false);
  recentEvents_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  recentEvents_->header()->setSectionResizeMode(2, QHeaderView::Stretch);
  // The page wraps text, so the scroll area lays it out at its preferred
  // height: the list asks for no height of its own beyond six rows and
  // takes whatever room is left.
  recentEvents_->setMinimumHeight(fontMetrics().height() * 6);
  recentEvents_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);

  auto* hint = new QLabel(tr("Switch to another app and open a menu…"));
  hint->setAlignment(Qt::AlignCenter);
  hint->setWordWrap(true);
  hint->setForegroundRole(QPalette::PlaceholderText);
  hint->setFrameShape(QFrame::StyledPanel);
  hint->setBackgroundRole(QPalette::Base);
  hint->setAutoFillBackground(true);
  recentEventsPages_ = new QStackedWidget;
  recentEventsPages_->addWidget(hint);
  recentEventsPages_->addWidget(recentEvents_);
  column->addWidget(recentEventsPages_);

  clearRecentEvents_ = new QPushButton(
      themeIcon("edit-clear-history", QStyle::SP_DialogResetButton, *this), tr("Clear"));
  connect(clearRecentEvents_, &QPushButton::clicked, &dispatcher,
          &TonnixEventDispatcher::clearRecentEvents);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(clearRecentEvents_);
  column->addLayout(buttons);
  return group;
}

// Starting and ending Tonnix, kept in reach below the groups however far
// they are scrolled. The default margins line it up with the groups.
QWidget* TonnixGeneralTab::makeStartAndQuitBar() {
  startsAtLogin_ = new QCheckBox(tr("Start Tonnix when you log in"));
  connect(startsAtLogin_, &QCheckBox::toggled, this, &TonnixGeneralTab::setStartsAtLogin);
  autostartFailure_ = new QLabel;
  autostartFailure_->setObjectName(QStringLiteral("autostartFailure"));
  makeWarningText(*autostartFailure_);
  autostartFailure_->setContentsMargins(checkBoxTextIndent(*this), 0, 0, 0);
  autostartFailure_->setVisible(false);
  auto* quit = new QPushButton(themeIcon("application-exit", QStyle::SP_DialogCloseButton, *this),
                               tr("Quit Tonnix"));
  connect(quit, &QPushButton::clicked, this, &TonnixGeneralTab::quitRequested);

  auto* bar = new QWidget;
  auto* grid = new QGridLayout(bar);
  grid->addWidget(startsAtLogin_, 0, 0);
  grid->setColumnStretch(1, 1);
  grid->addWidget(quit, 0, 2);
  grid->addWidget(autostartFailure_, 1, 0, 1, 3);
  return bar;
}

void TonnixGeneralTab::connectModel() {
  auto& tonnix = model_.tonnix;
  auto& player = tonnix.player();
  using Tab = TonnixGeneralTab;

  connect(&tonnix.transfer(), &TonnixSetTransfer::lastFailureDescriptionChanged, this,
          &Tab::refreshStatus);
  connect(&tonnix, &TonnixController::failureDescriptionChanged, this, &Tab::refreshStatus);
  // What each sound plays decides the status line's count, the test button
  // and the events' speakers alike.
  const auto soundsChanged = [this] {
    refreshStatus();
    refreshTestSound();
    refreshRecentEvents();
  };
  connect(&tonnix.library(), &TonnixLibrary::bundlesChanged, this, soundsChanged);
  auto& assignments = tonnix.assignments();
  connect(&assignments, &TonnixAssignments::storedBaselineIdentifierChanged, this, soundsChanged);
  connect(&assignments, &TonnixAssignments::storedOverridesChanged, this, soundsChanged);
  connect(&assignments, &TonnixAssignments::storedCustomSoundsChanged, this, soundsChanged);

  connect(&tonnix, &TonnixController::playsNotificationSoundsChanged, this, &Tab::refreshSwitches);
  connect(&tonnix, &TonnixController::playsClickSoundsChanged, this, &Tab::refreshSwitches);
  connect(&tonnix, &TonnixController::playsGenericClickSoundChanged, this, &Tab::refreshSwitches);
  auto& dispatcher = tonnix.dispatcher();
  connect(&dispatcher, &TonnixEventDispatcher::isMonitoringChanged, this, &Tab::refreshSwitches);
  connect(&tonnix.mouseMonitor(), &TonnixMouseMonitor::accessProblemChanged, this,
          &Tab::refreshSwitches);
  connect(&player, &TonnixPlayer::isStereoEnabledChanged, this, &Tab::refreshSwitches);
  connect(&player, &TonnixPlayer::masterVolumeChanged, this, &Tab::refreshSwitches);

  using Attacher = TonnixApplicationAttacher;
  for (auto changed :
       {&Attacher::isAttachingChanged, &Attacher::applicationsAttachedChanged,
        &Attacher::applicationsToAttachChanged, &Attacher::observedApplicationCountChanged,
        &Attacher::registeredNotificationCountChanged}) {
    connect(&tonnix.attacher(), changed, this, &Tab::refreshAttachProgress);
  }

  connect(&model_.silence, &TonnixSilenceMonitor::enabledReasonsChanged, this,
          &Tab::refreshSilence);
  connect(&dispatcher, &TonnixEventDispatcher::recentEventsChanged, this,
          &Tab::refreshRecentEvents);
  connect(&model_.autostart, &TonnixAutostart::isEnabledChanged, this, &Tab::refreshAutostart);
}

// --- Showing the state

void TonnixGeneralTab::refreshStatus() {
  status_->setText(statusText());
}

QString TonnixGeneralTab::statusText() const {
  auto& tonnix = model_.tonnix;
  if (const auto& failure = tonnix.transfer().lastFailureDescription()) return *failure;
  if (const auto status = tonnix.failureDescription()) return *status;
  const auto baseline =
      tonnix.library().bundleWithIdentifier(tonnix.assignments().storedBaselineIdentifier());
  const QString baselineName =
      baseline ? QString::fromStdString(baseline->metadata().name) : tr("None");
  return QString::asprintf("%lld", static_cast<long long>(tonnix.player().audibleEventCount())) +
         tr(" events will play, from ") + baselineName;
}

// The switches show the state without writing it back.
void TonnixGeneralTab::refreshSwitches() {
  auto& tonnix = model_.tonnix;
  auto& player = tonnix.player();
  for (const auto& [box, isOn] : {std::pair{notificationSounds_, tonnix.playsNotificationSounds()},
                                  std::pair{clickSounds_, tonnix.playsClickSounds()},
                                  std::pair{genericClickSound_, tonnix.playsGenericClickSound()},
                                  std::pair{autoPan_, player.isStereoEnabled()},
                                  std::pair{monitoring_, tonnix.dispatcher().isMonitoring()}}) {
    const QSignalBlocker blocker(box);
    box->setChecked(isOn);
  }
  const auto& pointerProblem = tonnix.mouseMonitor().accessProblem();
  pointerAccess_->setVisible(tonnix.playsClickSounds() && pointerProblem.has_value());
  pointerAccess_->setText(pointerProblem.value_or(QString()));
  if (volume_->isSliderDown()) return;
  // Shown, not stored: a stored 0.333 stays as it is.
  const QSignalBlocker blocker(volume_);
  volume_->setValue(static_cast<int>(std::lround(player.masterVolume() * volumeSteps)));
}

void TonnixGeneralTab::refreshAttachProgress() {
  const auto& attacher = model_.tonnix.attacher();
  const int total = attacher.applicationsToAttach();
  attachProgressRow_->setVisible(attacher.isAttaching() && total > 1);
  attachProgress_->setRange(0, total);
  attachProgress_->setValue(attacher.applicationsAttached());
  attachProgressText_->setText(tr("Attaching to applications… ") +
                               QString::number(attacher.applicationsAttached()) + tr(" of ") +
                               QString::number(total));
  attachCounts_->setText(tr("Observing ") + QString::number(attacher.observedApplicationCount()) +
                         tr(" applications, ") +
                         QString::number(attacher.registeredNotificationCount()) +
                         tr(" notifications registered"));
}

void TonnixGeneralTab::refreshAccessibilityTrust() {
  accessibilityWarning_->setVisible(!isAccessibilityTrusted_);
}

void TonnixGeneralTab::refreshTestSound() {
  testSound_->setEnabled(model_.tonnix.player().hasSound(testSoundID));
}

void TonnixGeneralTab::refreshSilence() {
  silenceSummary_->setText(silenceSummary());
  for (const auto& [reason, box] : silenceReasonBoxes_) {
    const QSignalBlocker blocker(box);
    box->setChecked(model_.silence.isEnabled(reason));
  }
  focusUnknown_->setVisible(!model_.silence.probe().canTellFocus());
}

QString TonnixGeneralTab::silenceSummary() {
  auto& silence = model_.silence;
  if (const auto reason = silence.currentReason()) return tr("Silent: ") + title(*reason);
  const auto count = silence.enabledReasons().size();
  if (count == 0) return tr("Never go quiet on their own");
  if (count == 1) return tr("Go quiet for 1 reason");
  return tr("Go quiet for ") + QString::number(count) + tr(" reasons");
}

void TonnixGeneralTab::refreshRecentEvents() {
  auto& tonnix = model_.tonnix;
  const auto& events = tonnix.dispatcher().recentEvents();
  recentEvents_->clear();
  // Newest first, where the eye lands.
  for (auto event = events.rbegin(); event != events.rend(); ++event) {
    recentEvents_->addTopLevelItem(eventRow(*event, tonnix.player(), *this));
  }
  recentEventsPages_->setCurrentIndex(events.empty() ? 0 : 1);
  clearRecentEvents_->setEnabled(!events.empty());
}

void TonnixGeneralTab::refreshAutostart() {
  const QSignalBlocker blocker(startsAtLogin_);
  startsAtLogin_->setChecked(model_.autostart.isEnabled());
}

void TonnixGeneralTab::refreshUpdates() {
  auto& updater = model_.updater;
  // Without a feed there is nothing to check: the package manager brings
  // updates. A configuration that cannot be read is still a problem to show.
  const bool fromPackageManager = !updater.hasUpdateFeed() && !updater.startFailureDescription();
  updateSource_->setVisible(fromPackageManager);
  checksForUpdates_->setVisible(!fromPackageManager);
  checkForUpdates_->setVisible(!fromPackageManager);
  {
    const QSignalBlocker blocker(checksForUpdates_);
    checksForUpdates_->setChecked(updater.checksAutomatically());
  }
  checkForUpdates_->setEnabled(updater.canCheckForUpdates());
  const auto lastCheck = fromPackageManager ? std::nullopt : updater.lastCheckText();
  lastUpdateCheck_->setVisible(lastCheck.has_value());
  lastUpdateCheck_->setText(lastCheck.value_or(QString()));
  const auto problem = fromPackageManager ? std::nullopt : updater.problemText();
  updateProblem_->setVisible(problem.has_value());
  updateProblem_->setText(problem.value_or(QString()));
}

// --- Acting

void TonnixGeneralTab::setVolumeFromSlider() {
  model_.tonnix.player().setMasterVolume(static_cast<double>(volume_->value()) / volumeSteps);
}

void TonnixGeneralTab::setStartsAtLogin(bool starts) {
  const auto changed = model_.autostart.setEnabled(starts);
  autostartFailure_->setVisible(!changed);
  if (!changed) autostartFailure_->setText(changed.error().description());
  // A refused change leaves the entry as it was, and the switch with it.
  refreshAutostart();
}

void TonnixGeneralTab::rescan() {
  isAccessibilityTrusted_ = model_.accessibility.isTrusted();
  refreshAccessibilityTrust();
  model_.tonnix.rescan();
}
