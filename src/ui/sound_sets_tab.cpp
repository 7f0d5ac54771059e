#include "ui/sound_sets_tab.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/controller.h"
#include "app/set_transfer_texts.h"
#include "catalogue/catalogue.h"
#include "library/assignments.h"
#include "library/library.h"
#include "library/playable_extensions.h"
#include "library/sound_set_export.h"
#include "playback/player.h"
#include "ui/appearance.h"
#include "ui/event_list_model.h"
#include "ui/event_row_delegate.h"
#include "ui/file_manager.h"
#include "ui/set_dialogs.h"
#include "ui/set_drops.h"

namespace {

// The failures of the last reload listed by name; the rest are counted.
constexpr int listedLoadFailures = 3;
// The narrowest and widest an event's picker gets, in characters: wide
// enough for the set names, but never crowding out the events' own names.
constexpr int narrowestPicker = 24;
constexpr int widestPicker = 44;

QString customSoundSentence(std::size_t count) {
  if (count == 0) return {};
  if (count == 1) return TonnixSoundSetsTab::tr(" 1 event plays a file of its own.");
  return QStringLiteral(" ") + QString::number(count) +
         TonnixSoundSetsTab::tr(" events play a file of their own.");
}

QString playableFilter() {
  QStringList patterns;
  for (const auto& extension : playableExtensions()) {
    patterns << QStringLiteral("*.") + QString::fromStdString(extension);
  }
  return TonnixSoundSetsTab::tr("Sounds (") + patterns.join(QLatin1Char(' ')) + QStringLiteral(")");
}

QPushButton* button(const char* iconName, QStyle::StandardPixmap fallback, const QString& text,
                    const QWidget& widget) {
  return new QPushButton(themeIcon(iconName, fallback, widget), text);
}

}  // namespace

TonnixSoundSetsTab::TonnixSoundSetsTab(TonnixSettingsModel model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setAcceptDrops(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(makeSetsGroup());
  layout->addWidget(makeEventsGroup(), 1);
  layout->addWidget(makeExportGroup());
  connectModel();
  refreshSets();
  refreshTasks();
  refreshExport();
}

// --- Building

QWidget* TonnixSoundSetsTab::makeSetsGroup() {
  auto* group = new QGroupBox(tr("Sound Sets"));
  auto* form = new QFormLayout(group);
  baseline_ = new QComboBox;
  baseline_->setObjectName(QStringLiteral("baseline"));
  baseline_->setAccessibleName(tr("Sound Set"));
  baseline_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  // Any way of choosing writes the choice; refreshSets() shows it unsent.
  connect(baseline_, &QComboBox::currentIndexChanged, this, [this](int item) {
    if (item < 0) return;
    model_.tonnix.assignments().setBaselineIdentifier(
        baseline_->itemData(item).toString().toStdString());
  });
  form->addRow(tr("Sound Set"), baseline_);

  summary_ = new QLabel;
  summary_->setObjectName(QStringLiteral("summary"));
  makeSecondaryText(*summary_);
  form->addRow(summary_);
  loadFailures_ = new QLabel;
  loadFailures_->setObjectName(QStringLiteral("loadFailures"));
  makeWarningText(*loadFailures_);
  loadFailures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(loadFailures_);

  import_ = button("document-import", QStyle::SP_DialogOpenButton, tr("Import…"), *this);
  connect(import_, &QPushButton::clicked, this, &TonnixSoundSetsTab::importChosenSets);
  auto* reveal = button("folder-open", QStyle::SP_DirOpenIcon, tr("Reveal"), *this);
  connect(reveal, &QPushButton::clicked, this, &TonnixSoundSetsTab::reveal);
  reload_ = button("view-refresh", QStyle::SP_BrowserReload, tr("Reload"), *this);
  connect(reload_, &QPushButton::clicked, &model_.tonnix.transfer(),
          &TonnixSetTransfer::reloadSets);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(import_);
  buttons->addWidget(reveal);
  buttons->addWidget(reload_);
  buttons->addStretch();
  form->addRow(buttons);

  taskStatus_ = new QLabel;
  taskStatus_->setObjectName(QStringLiteral("taskStatus"));
  taskStatus_->setWordWrap(true);
  taskStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(taskStatus_);
  return group;
}

QWidget* TonnixSoundSetsTab::makeEventsGroup() {
  auto& tonnix = model_.tonnix;
  auto* group = new QGroupBox(tr("Events"));
  auto* column = new QVBoxLayout(group);
  eventModel_ =
      new TonnixEventListModel(tonnix.library(), tonnix.assignments(), tonnix.player(),
                               {themeIcon("audio-volume-high", QStyle::SP_MediaVolume, *this),
                                themeIcon("audio-volume-muted", QStyle::SP_MediaVolumeMuted, *this),
                                themeIcon("media-playback-start", QStyle::SP_MediaPlay, *this)},
                               this);
  auto* delegate = new TonnixEventRowDelegate(*eventModel_, this);
  connect(delegate, &TonnixEventRowDelegate::previewRequested, this,
          [this](const QModelIndex& index) {
            if (const auto* entry = eventModel_->entryAt(index))
              model_.tonnix.player().preview(entry->soundID);
          });
  connect(delegate, &TonnixEventRowDelegate::customSoundRequested, this,
          [this](const QModelIndex& index) {
            const auto* entry = eventModel_->entryAt(index);
            // After the picker has closed, so that its row shows again.
            if (entry) {
              const TonnixSoundID soundID = entry->soundID;
              QMetaObject::invokeMethod(
                  this, [this, soundID] { chooseCustomSound(soundID); }, Qt::QueuedConnection);
            }
          });

  events_ = new QTreeView;
  events_->setObjectName(QStringLiteral("events"));
  events_->setAccessibleName(tr("Events"));
  events_->setModel(eventModel_);
  events_->setItemDelegate(delegate);
  events_->setHeaderHidden(true);
  events_->setRootIsDecorated(false);
  events_->setItemsExpandable(false);
  events_->setUniformRowHeights(true);
  events_->setSelectionMode(QAbstractItemView::NoSelection);
  // Space or typing opens the current row's picker, as on a focused picker.
  events_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  events_->expandAll();
  for (int section = 0; section < eventModel_->rowCount(); ++section) {
    events_->setFirstColumnSpanned(section, {}, true);
  }
  auto* header = events_->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(TonnixEventListModel::eventColumn, QHeaderView::Stretch);
  header->setSectionResizeMode(TonnixEventListModel::pickerColumn, QHeaderView::Fixed);
  header->setSectionResizeMode(TonnixEventListModel::previewColumn, QHeaderView::ResizeToContents);
  connect(events_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
    if (index.column() == TonnixEventListModel::pickerColumn) events_->edit(index);
  });
  column->addWidget(events_);
  return group;
}

QWidget* TonnixSoundSetsTab::makeExportGroup() {
  auto* group = new QGroupBox(tr("Export Sound Set"));
  auto* row = new QHBoxLayout(group);
  exportExplanation_ = new QLabel;
  exportExplanation_->setObjectName(QStringLiteral("exportExplanation"));
  exportExplanation_->setWordWrap(true);
  export_ = button("document-export", QStyle::SP_DialogSaveButton, tr("Export…"), *this);
  connect(export_, &QPushButton::clicked, this, &TonnixSoundSetsTab::exportSet);
  row->addWidget(exportExplanation_, 1);
  row->addWidget(export_, 0, Qt::AlignTop);
  return group;
}

void TonnixSoundSetsTab::connectModel() {
  auto& tonnix = model_.tonnix;
  using Tab = TonnixSoundSetsTab;
  // What each event plays follows from the sets and the assignments alike.
  const auto soundsChanged = [this] {
    refreshSets();
    refreshExport();
    eventModel_->refresh();
  };
  connect(&tonnix.library(), &TonnixLibrary::bundlesChanged, this, soundsChanged);
  connect(&tonnix.library(), &TonnixLibrary::loadFailuresChanged, this, &Tab::refreshSets);
  auto& assignments = tonnix.assignments();
  connect(&assignments, &TonnixAssignments::storedBaselineIdentifierChanged, this, soundsChanged);
  connect(&assignments, &TonnixAssignments::storedOverridesChanged, this, soundsChanged);
  connect(&assignments, &TonnixAssignments::storedCustomSoundsChanged, this, soundsChanged);

  for (const auto signal :
       {&TonnixSetTransfer::isImportingSetsChanged, &TonnixSetTransfer::setsImportedChanged,
        &TonnixSetTransfer::setsToImportChanged, &TonnixSetTransfer::lastImportSummariesChanged,
        &TonnixSetTransfer::isExportingSetChanged, &TonnixSetTransfer::lastExportSummaryChanged,
        &TonnixSetTransfer::lastFailureDescriptionChanged}) {
    connect(&tonnix.transfer(), signal, this, &Tab::refreshTasks);
  }
}

// --- Showing the state

void TonnixSoundSetsTab::refreshSets() {
  auto& library = model_.tonnix.library();
  const auto& baseline = model_.tonnix.assignments().storedBaselineIdentifier();
  const QSignalBlocker blocker(baseline_);
  baseline_->clear();
  for (const auto& bundle : library.bundles()) {
    const auto& metadata = bundle->metadata();
    baseline_->addItem(QString::fromStdString(metadata.name),
                       QString::fromStdString(metadata.identifier));
    if (baseline && metadata.identifier == *baseline)
      baseline_->setCurrentIndex(baseline_->count() - 1);
  }
  if (!baseline || !library.bundleWithIdentifier(baseline)) baseline_->setCurrentIndex(-1);
  summary_->setText(summaryText());
  refreshPickerWidth();

  const QStringList& failures = library.loadFailures();
  QStringList lines = failures.mid(0, listedLoadFailures);
  if (failures.size() > listedLoadFailures) {
    lines << tr("and ") + QString::number(failures.size() - listedLoadFailures) + tr(" more");
  }
  loadFailures_->setText(lines.join(QLatin1Char('\n')));
  loadFailures_->setVisible(!lines.isEmpty());
}

// Measured on the names rather than on every row, which would make each
// change cost a pass over all of them.
void TonnixSoundSetsTab::refreshPickerWidth() {
  const QFontMetrics metrics = events_->fontMetrics();
  const int noSound = metrics.horizontalAdvance(TonnixEventListModel::tr(" (no sound)"));
  int widest = 0;
  for (const auto& option : eventModel_->options(catalogue().front())) {
    const bool isSet = option.selection && option.selection->kind == TonnixSelection::Kind::set;
    widest = std::max(widest, metrics.horizontalAdvance(option.label) + (isSet ? noSound : 0));
  }
  QStyleOptionComboBox picker;
  picker.initFrom(events_);
  const int width =
      events_->style()
          ->sizeFromContents(QStyle::CT_ComboBox, &picker, QSize(widest, metrics.height()), events_)
          .width();
  const int character = metrics.averageCharWidth();
  events_->header()->resizeSection(
      TonnixEventListModel::pickerColumn,
      std::clamp(width, character * narrowestPicker, character * widestPicker));
}

QString TonnixSoundSetsTab::summaryText() const {
  auto& tonnix = model_.tonnix;
  const QString custom = customSoundSentence(tonnix.assignments().storedCustomSounds().size());
  const auto setCount = tonnix.library().bundles().size();
  if (setCount == 0) {
    return tr("No sound sets installed. Import a .tonnixset, or drop one on the app.") + custom;
  }
  return QString::number(setCount) + tr(" set") + (setCount == 1 ? QString() : tr("s")) +
         tr(" installed. ") + QString::number(tonnix.player().audibleEventCount()) + tr(" of ") +
         QString::number(catalogue().size()) + tr(" events will play. ") +
         tr("The set above applies to every event set to Same as Sound Set.") + custom;
}

void TonnixSoundSetsTab::refreshTasks() {
  const auto& transfer = model_.tonnix.transfer();
  const bool isBusy = transfer.isImportingSets() || transfer.isExportingSet();
  import_->setEnabled(!isBusy);
  reload_->setEnabled(!isBusy);
  export_->setEnabled(!isBusy);

  QStringList lines;
  if (transfer.isImportingSets()) {
    lines << tr("Importing… ") + QString::number(transfer.setsImported()) + tr(" of ") +
                 QString::number(transfer.setsToImport());
  }
  if (transfer.isExportingSet()) lines << tr("Exporting…");
  if (const QString imported = importSummariesText(transfer.lastImportSummaries());
      !imported.isEmpty()) {
    lines << imported;
  }
  if (const auto& exported = transfer.lastExportSummary()) lines << exportSummaryText(*exported);
  if (const auto& failure = transfer.lastFailureDescription()) lines << *failure;
  taskStatus_->setText(lines.join(QLatin1Char('\n')));
  taskStatus_->setVisible(!lines.isEmpty());
}

void TonnixSoundSetsTab::refreshExport() {
  const auto& assignments = model_.tonnix.assignments();
  const bool hasOwnAssignments =
      !assignments.storedOverrides().empty() || !assignments.storedCustomSounds().empty();
  exportExplanation_->setText(
      hasOwnAssignments
          ? tr("Save everything you can hear right now as a new sound set.")
          : tr("Every event follows the sound set above, so there is nothing new to save."));
}

// --- Acting

void TonnixSoundSetsTab::dragEnterEvent(QDragEnterEvent* event) {
  acceptSetDrag(*event);
}

void TonnixSoundSetsTab::dropEvent(QDropEvent* event) {
  importDroppedSets(*event, model_.tonnix.transfer());
}

void TonnixSoundSetsTab::importChosenSets() {
  TonnixImportDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  const auto paths = dialog.chosenPaths();
  if (!paths.empty()) model_.tonnix.transfer().importSets(paths);
}

void TonnixSoundSetsTab::reveal() {
  auto& library = model_.tonnix.library();
  // Shown even when it cannot be made: the file manager then says why.
  (void)library.ensureDirectory();
  showInFileManager(library.directory(), *this);
}

void TonnixSoundSetsTab::exportSet() {
  auto& tonnix = model_.tonnix;
  TonnixExportDialog dialog(
      QString::fromStdString(defaultExportName(tonnix.library(), tonnix.assignments())), this);
  if (dialog.exec() != QDialog::Accepted) return;
  tonnix.transfer().exportSet(dialog.destination());
}

void TonnixSoundSetsTab::chooseCustomSound(TonnixSoundID soundID) {
  customSoundTarget_ = soundID;
  const QString file =
      QFileDialog::getOpenFileName(this, tr("Choose a Sound"), QString(), playableFilter());
  const auto target = std::exchange(customSoundTarget_, std::nullopt);
  if (file.isEmpty() || !target) return;
  // A refused file is explained by the controller's failure text.
  (void)model_.tonnix.transfer().chooseCustomSound(file.toStdString(), *target);
}
