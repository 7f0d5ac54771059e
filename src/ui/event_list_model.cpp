#include "ui/event_list_model.h"

#include <QFont>
#include <system_error>

#include "catalogue/catalogue.h"
#include "library/assignments.h"
#include "library/library.h"
#include "playback/player.h"

namespace {

// A child's internal id is its category's row plus one; categories have 0.
constexpr quintptr categoryRowID = 0;

QString categoryTitle(TonnixSoundCategory category) {
  switch (category) {
    case TonnixSoundCategory::window:
      return TonnixEventListModel::tr("Windows");
    case TonnixSoundCategory::menu:
      return TonnixEventListModel::tr("Menus");
    case TonnixSoundCategory::control:
      return TonnixEventListModel::tr("Controls");
    case TonnixSoundCategory::finder:
      break;
  }
  return TonnixEventListModel::tr("File Manager");
}

QString setName(const TonnixBundle& bundle) {
  return QString::fromStdString(bundle.metadata().name);
}

}  // namespace

QString customSoundLabel(const std::filesystem::path& url) {
  std::error_code error;
  const QString name = QString::fromStdString(url.filename().string());
  if (std::filesystem::exists(url, error)) return name;
  return name + TonnixEventListModel::tr(" (missing)");
}

TonnixEventListModel::TonnixEventListModel(TonnixLibrary& library, TonnixAssignments& assignments,
                                           TonnixPlayer& player, Icons icons, QObject* parent)
    : QAbstractItemModel(parent),
      library_(library),
      assignments_(assignments),
      player_(player),
      icons_(std::move(icons)),
      sections_(allSoundCategories.size()) {
  for (const auto& entry : catalogue()) sections_[rawValue(entry.category)].push_back(&entry);
}

const TonnixSetEntry* TonnixEventListModel::entryAt(const QModelIndex& index) const {
  if (!index.isValid() || index.internalId() == categoryRowID) return nullptr;
  return sections_[index.internalId() - 1][index.row()];
}

QModelIndex TonnixEventListModel::indexOf(TonnixSoundID soundID, int column) const {
  for (std::size_t section = 0; section < sections_.size(); ++section) {
    for (std::size_t row = 0; row < sections_[section].size(); ++row) {
      if (sections_[section][row]->soundID == soundID)
        return createIndex(static_cast<int>(row), column, section + 1);
    }
  }
  return {};
}

std::vector<TonnixRowOption> TonnixEventListModel::options(const TonnixSetEntry& entry) const {
  std::vector<TonnixRowOption> options;
  options.push_back({baselineText(), TonnixSelection::baseline()});
  bool startsGroup = true;
  for (const auto& bundle : library_.bundles()) {
    QString label = setName(*bundle);
    if (!bundle->containsSound(entry.soundID)) label += tr(" (no sound)");
    options.push_back({label, TonnixSelection::set(bundle->metadata().identifier), startsGroup});
    startsGroup = false;
  }
  options.push_back({tr("None"), TonnixSelection::silent(), true});
  const auto& customSounds = assignments_.storedCustomSounds();
  const auto custom = customSounds.find(entry.soundID);
  if (custom != customSounds.end()) {
    options.push_back(
        {customSoundLabel(custom->second.url), TonnixSelection::custom(custom->second.url), true});
  }
  options.push_back({tr("Custom…"), std::nullopt, true});
  return options;
}

int TonnixEventListModel::currentOption(const TonnixSetEntry& entry) const {
  const TonnixSelection selection = assignments_.selectionFor(entry.soundID);
  const auto all = options(entry);
  for (std::size_t option = 0; option < all.size(); ++option) {
    if (all[option].selection == selection) return static_cast<int>(option);
  }
  return -1;
}

void TonnixEventListModel::choose(const TonnixSetEntry& entry, const TonnixSelection& selection) {
  assignments_.setSelection(selection, entry.soundID);
}

void TonnixEventListModel::refresh() {
  for (int section = 0; section < static_cast<int>(sections_.size()); ++section) {
    const QModelIndex parent = index(section, 0);
    emit dataChanged(index(0, 0, parent), index(rowCount(parent) - 1, previewColumn, parent));
  }
}

QString TonnixEventListModel::baselineText() const {
  const auto baseline = library_.bundleWithIdentifier(assignments_.storedBaselineIdentifier());
  if (!baseline) return tr("Same as Sound Set");
  return tr("Same as Sound Set (") + setName(*baseline) + QStringLiteral(")");
}

// The picker's own words for the stored selection, as its entry reads.
QString TonnixEventListModel::pickerText(const TonnixSetEntry& entry) const {
  const TonnixSelection selection = assignments_.selectionFor(entry.soundID);
  switch (selection.kind) {
    case TonnixSelection::Kind::baseline:
      return baselineText();
    case TonnixSelection::Kind::silent:
      return tr("None");
    case TonnixSelection::Kind::custom:
      return customSoundLabel(selection.customURL);
    case TonnixSelection::Kind::set:
      break;
  }
  const auto bundle = library_.bundleWithIdentifier(std::string_view(selection.setIdentifier));
  if (!bundle) return QString::fromStdString(selection.setIdentifier);
  if (!bundle->containsSound(entry.soundID)) return setName(*bundle) + tr(" (no sound)");
  return setName(*bundle);
}

QModelIndex TonnixEventListModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= columnCount_) return {};
  if (!parent.isValid()) {
    if (row >= static_cast<int>(sections_.size())) return {};
    return createIndex(row, column, categoryRowID);
  }
  if (parent.internalId() != categoryRowID || row >= rowCount(parent)) return {};
  return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex TonnixEventListModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == categoryRowID) return {};
  return createIndex(static_cast<int>(child.internalId() - 1), 0, categoryRowID);
}

int TonnixEventListModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(sections_.size());
  if (parent.internalId() != categoryRowID || parent.column() != 0) return 0;
  return static_cast<int>(sections_[parent.row()].size());
}

int TonnixEventListModel::columnCount(const QModelIndex&) const {
  return columnCount_;
}

QVariant TonnixEventListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const TonnixSetEntry* entry = entryAt(index);
  if (!entry) {
    if (index.column() != eventColumn) return {};
    if (role == Qt::DisplayRole) return categoryTitle(allSoundCategories[index.row()]);
    if (role == Qt::FontRole) {
      QFont font;
      font.setBold(true);
      return font;
    }
    return {};
  }
  switch (index.column()) {
    case eventColumn:
      if (role == Qt::DisplayRole) return QString::fromStdString(entry->displayName());
      if (role == Qt::DecorationRole)
        return player_.hasSound(entry->soundID) ? icons_.audible : icons_.silent;
      break;
    case pickerColumn:
      if (role == Qt::DisplayRole || role == Qt::EditRole) return pickerText(*entry);
      break;
    case previewColumn:
      if (role == Qt::DisplayRole) return tr("Preview");
      if (role == Qt::DecorationRole) return icons_.preview;
      break;
    default:
      break;
  }
  return {};
}

Qt::ItemFlags TonnixEventListModel::flags(const QModelIndex& index) const {
  if (!entryAt(index)) return Qt::ItemIsEnabled;
  if (index.column() == pickerColumn) return Qt::ItemIsEnabled | Qt::ItemIsEditable;
  return Qt::ItemIsEnabled;
}
