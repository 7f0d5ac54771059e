#include "ui/sound_log_view.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/controller.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"
#include "ui/appearance.h"
#include "ui/event_words.h"

namespace {

using Tr = TonnixSoundLogView;

enum Column { textColumn, replayColumn };

// Which sound a row's "Play it again" button plays, kept on the button.
constexpr const char* soundIDProperty = "soundID";

QDateTime toDateTime(TonnixDate date) {
  const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(since.count());
}

// The time alone on the day of `now`; date and time on any other.
QString shortDate(TonnixDate date, TonnixDate now) {
  const QDateTime moment = toDateTime(date);
  const QLocale locale;
  if (moment.date() == toDateTime(now).date()) {
    return locale.toString(moment.time(), QLocale::ShortFormat);
  }
  return locale.toString(moment, QLocale::ShortFormat);
}

QString counted(int count, const QString& singular, const QString& plural) {
  return QString::number(count) + (count == 1 ? singular : plural);
}

// "5 seconds ago", "1 minute ago", "2 hours ago": rounded, as " Most
// recently about" promises.
QString agoInWords(std::chrono::seconds age) {
  const auto seconds = std::max<std::int64_t>(age.count(), 1);
  if (seconds < 60) {
    const int rounded =
        seconds < 5 ? static_cast<int>(seconds) : int(std::lround(seconds / 5.0)) * 5;
    return counted(rounded, Tr::tr(" second ago"), Tr::tr(" seconds ago"));
  }
  if (seconds < 3600) {
    return counted(int(std::lround(seconds / 60.0)), Tr::tr(" minute ago"), Tr::tr(" minutes ago"));
  }
  return counted(int(std::lround(seconds / 3600.0)), Tr::tr(" hour ago"), Tr::tr(" hours ago"));
}

// "3 events, 12 times, from 2 apps in the last two hours."; the times are
// left out when each event happened once.
QString summaryText(const TonnixSoundLog& log) {
  const int events = log.entryCount();
  const int sounds = log.soundCount();
  QString text = counted(events, Tr::tr(" event"), Tr::tr(" events"));
  if (sounds > events) text += QStringLiteral(", ") + QString::number(sounds) + Tr::tr(" times,");
  return text + Tr::tr(" from ") +
         counted(int(log.sections().size()), Tr::tr(" app"), Tr::tr(" apps")) +
         Tr::tr(" in the last two hours.");
}

// "Once at 10:02" or "3 times between 10:02 and 10:14".
QString timingText(const TonnixSoundLogEntry& entry, TonnixDate now) {
  if (entry.count == 1) return Tr::tr("Once") + Tr::tr(" at ") + shortDate(entry.lastDate, now);
  return QString::number(entry.count) + Tr::tr(" times between ") +
         shortDate(entry.firstDate, now) + Tr::tr(" and ") + shortDate(entry.lastDate, now);
}

// When a row of the list last saw activity: an open silence goes on now.
TonnixDate latestDate(const TonnixSilencePeriod& period, TonnixDate now) {
  return period.endDate.value_or(now);
}

QTimer* makeTimer(const char* name, int interval, QObject& parent) {
  auto* timer = new QTimer(&parent);
  timer->setObjectName(QString::fromLatin1(name));
  timer->setInterval(interval);
  return timer;
}

}  // namespace

TonnixSoundLogView::TonnixSoundLogView(TonnixSettingsModel model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      log_(model.tonnix.log()),
      now_([] { return TonnixDate::clock::now(); }) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(makeHeader());

  banner_ = new QLabel;
  banner_->setObjectName(QStringLiteral("silenceBanner"));
  makeWarningText(*banner_);
  layout->addWidget(banner_);
  summary_ = new QLabel;
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setWordWrap(true);
  layout->addWidget(summary_);

  entries_ = new QTreeWidget;
  entries_->setColumnCount(2);
  entries_->setHeaderHidden(true);
  entries_->setRootIsDecorated(false);
  entries_->setSelectionMode(QAbstractItemView::NoSelection);
  entries_->setAccessibleName(tr("Sound log"));
  entries_->setTextElideMode(Qt::ElideMiddle);
  entries_->header()->setStretchLastSection(false);
  entries_->header()->setSectionResizeMode(textColumn, QHeaderView::Stretch);
  entries_->header()->setSectionResizeMode(replayColumn, QHeaderView::ResizeToContents);
  pages_ =
      withEmptyText(entries_, tr("Nothing has made a sound in the last two hours."), "emptyLog");
  layout->addWidget(pages_, 1);

  pruneTimer_ = makeTimer("pruneTimer", pruneIntervalMilliseconds, *this);
  connect(pruneTimer_, &QTimer::timeout, this, &TonnixSoundLogView::prune);
  silenceTimer_ = makeTimer("silenceTimer", silenceIntervalMilliseconds, *this);
  connect(silenceTimer_, &QTimer::timeout, this, &TonnixSoundLogView::checkSilence);

  connect(&log_, &TonnixSoundLog::sectionsChanged, this, &TonnixSoundLogView::refresh);
  connect(&log_, &TonnixSoundLog::silencesChanged, this, &TonnixSoundLogView::refresh);
  refresh();
}

QWidget* TonnixSoundLogView::makeHeader() {
  auto* header = new QWidget;
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(0, 0, 0, 0);
  auto* explanation = new QLabel(
      tr("Everything that makes a sound shows up here, whether or not sounds are switched on "
         "elsewhere in this window."));
  makeSecondaryText(*explanation);
  row->addWidget(explanation, 1);
  clear_ = new QPushButton(themeIcon("edit-clear-all", QStyle::SP_DialogResetButton, *this),
                           tr("Clear"));
  connect(clear_, &QPushButton::clicked, &log_, &TonnixSoundLog::clear);
  row->addWidget(clear_, 0, Qt::AlignTop);
  return header;
}

void TonnixSoundLogView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  checkSilence();
  prune();
  pruneTimer_->start();
  silenceTimer_->start();
}

void TonnixSoundLogView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  pruneTimer_->stop();
  silenceTimer_->stop();
}

// The ages the summary tells move on with the clock, so each tick also
// tells them afresh; the log signals what else changed.
void TonnixSoundLogView::prune() {
  log_.prune(now_());
  refreshSummary();
}

void TonnixSoundLogView::checkSilence() {
  model_.tonnix.dispatcher().checkSilence();
  refreshSummary();
}

void TonnixSoundLogView::refresh() {
  clear_->setEnabled(log_.hasContent());
  refreshBanner();
  refreshSummary();

  entries_->setUpdatesEnabled(false);
  const TonnixDate now = now_();
  auto sections = log_.sections().begin();
  auto silences = log_.silences().begin();
  int row = 0;
  // Both lists are newest first; merged, the page reads as one timeline.
  while (sections != log_.sections().end() || silences != log_.silences().end()) {
    const bool sectionFirst =
        silences == log_.silences().end() ||
        (sections != log_.sections().end() && sections->latestDate() >= latestDate(*silences, now));
    if (sectionFirst) {
      showSection(topLevelRow(row++), *sections++);
    } else {
      showSilence(topLevelRow(row++), *silences++);
    }
  }
  while (entries_->topLevelItemCount() > row) delete entries_->takeTopLevelItem(row);
  entries_->setUpdatesEnabled(true);
  pages_->setCurrentIndex(row > 0 ? 0 : 1);
}

void TonnixSoundLogView::refreshBanner() {
  const auto reason = log_.activeSilenceReason();
  banner_->setVisible(reason.has_value());
  if (reason) banner_->setText(tr("Nothing can be heard right now:") + u' ' + title(*reason));
}

void TonnixSoundLogView::refreshSummary() {
  summary_->setVisible(!log_.sections().empty());
  if (log_.sections().empty()) return;
  const auto age = std::chrono::duration_cast<std::chrono::seconds>(
      now_() - log_.sections().front().latestDate());
  summary_->setText(summaryText(log_) + tr(" Most recently about") + u' ' + agoInWords(age) + u'.');
}

QTreeWidgetItem& TonnixSoundLogView::topLevelRow(int row) {
  if (row < entries_->topLevelItemCount()) return *entries_->topLevelItem(row);
  auto* item = new QTreeWidgetItem(entries_);
  item->setFirstColumnSpanned(true);
  item->setExpanded(true);
  return *item;
}

void TonnixSoundLogView::showSection(QTreeWidgetItem& item, const TonnixSoundLogSection& section) {
  item.setText(textColumn, section.name);
  const bool isSystem = section.group.kind == TonnixSoundLogGroup::Kind::system;
  item.setIcon(textColumn, isSystem
                               ? themeIcon("preferences-system", QStyle::SP_ComputerIcon, *this)
                               : applicationIcon(section.icon, *this));
  QFont font = item.font(textColumn);
  font.setBold(true);
  item.setFont(textColumn, font);
  const int count = int(section.entries.size());
  for (int row = 0; row < count; ++row) {
    auto* entry = row < item.childCount() ? item.child(row) : new QTreeWidgetItem(&item);
    showEntry(*entry, section.entries[std::size_t(row)]);
  }
  while (item.childCount() > count) delete item.takeChild(count);
}

void TonnixSoundLogView::showEntry(QTreeWidgetItem& item, const TonnixSoundLogEntry& entry) {
  QString what = eventDisplayName(entry.eventName, entry.soundID);
  if (entry.elementDescription) {
    what += QStringLiteral(" — ") + elementInDesktopWords(*entry.elementDescription);
  }
  QString when = timingText(entry, now_());
  if (const auto source = model_.tonnix.player().sourceName(entry.soundID)) {
    when += tr(" from ") + QString::fromStdString(*source);
  }
  item.setText(textColumn, what + u'\n' + when);
  // The name the application reported, for whoever follows `tonnix run --monitor`.
  item.setToolTip(textColumn, item.text(textColumn) + u'\n' + tr("Reported as ") + entry.eventName);

  auto& replay = replayButton(item);
  replay.setProperty(soundIDProperty, entry.soundID.rawValue);
  const bool hasSound = model_.tonnix.player().hasSound(entry.soundID);
  replay.setEnabled(hasSound);
  replay.setIcon(hasSound ? themeIcon("audio-volume-high", QStyle::SP_MediaVolume, *this)
                          : themeIcon("audio-volume-muted", QStyle::SP_MediaVolumeMuted, *this));
}

QToolButton& TonnixSoundLogView::replayButton(QTreeWidgetItem& item) {
  if (auto* made = qobject_cast<QToolButton*>(entries_->itemWidget(&item, replayColumn))) {
    return *made;
  }
  auto* replay = new QToolButton;
  replay->setObjectName(QStringLiteral("replay"));
  replay->setAutoRaise(true);
  replay->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  replay->setText(tr("Play it again"));
  connect(replay, &QToolButton::clicked, this, [this, replay] {
    model_.tonnix.player().preview(TonnixSoundID(replay->property(soundIDProperty).toUInt()));
  });
  entries_->setItemWidget(&item, replayColumn, replay);
  return *replay;
}

void TonnixSoundLogView::showSilence(QTreeWidgetItem& item, const TonnixSilencePeriod& period) {
  qDeleteAll(item.takeChildren());
  const TonnixDate now = now_();
  const QString span = period.endDate ? shortDate(period.startDate, now) + QStringLiteral(" – ") +
                                            shortDate(*period.endDate, now)
                                      : tr("since ") + shortDate(period.startDate, now);
  item.setText(textColumn, tr("Silence") + QStringLiteral(": ") + title(period.reason) + u' ' +
                               tr("(sounds held back)") + u'\n' + span);
  item.setIcon(textColumn, themeIcon("audio-volume-muted", QStyle::SP_MediaVolumeMuted, *this));
  QFont font = item.font(textColumn);
  font.setBold(false);
  item.setFont(textColumn, font);
}
