#pragma once

#include <QWidget>
#include <functional>

#include "quiet/sound_log.h"
#include "ui/settings_model.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The "WTF Was That?!" page: which applications made which sounds in the
// last two hours, and when Tonnix kept quiet and why, with a way to hear a
// logged sound again and to clear the log. It shows the sound log as it is
// and redraws when the log changes; while shown, two timers keep the log
// pruned and the silence periods current. Main thread only.
class TonnixSoundLogView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int pruneIntervalMilliseconds = 30'000;
  static constexpr int silenceIntervalMilliseconds = 2'000;

  explicit TonnixSoundLogView(TonnixSettingsModel model, QWidget* parent = nullptr);

  // Replaces the clock the log is pruned with and ages are told by, for tests.
  void setClock(std::function<TonnixDate()> now) { now_ = std::move(now); }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* makeHeader();
  void prune();
  void checkSilence();
  void refresh();
  void refreshBanner();
  void refreshSummary();
  // Each shows its part of the log in a row made before, so that a redraw
  // makes only the rows and buttons the list did not have yet.
  QTreeWidgetItem& topLevelRow(int row);
  void showSection(QTreeWidgetItem& item, const TonnixSoundLogSection& section);
  void showEntry(QTreeWidgetItem& item, const TonnixSoundLogEntry& entry);
  void showSilence(QTreeWidgetItem& item, const TonnixSilencePeriod& period);
  QToolButton& replayButton(QTreeWidgetItem& item);

  TonnixSettingsModel model_;
  TonnixSoundLog& log_;
  std::function<TonnixDate()> now_;
  QTimer* pruneTimer_ = nullptr;
  QTimer* silenceTimer_ = nullptr;

  QPushButton* clear_ = nullptr;
  QLabel* banner_ = nullptr;
  QLabel* summary_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QTreeWidget* entries_ = nullptr;
};
