#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <optional>
#include <vector>

#include "catalogue/set_entry.h"
#include "library/selection.h"

class TonnixAssignments;
class TonnixLibrary;
class TonnixPlayer;

// One entry of an event's picker: a selection to store, or (none) the
// choice of a custom file.
struct TonnixRowOption {
  QString label;
  std::optional<TonnixSelection> selection;
  // Drawn after a divider, as the first of its group.
  bool startsGroup = false;
};

// The catalogue's events for a tree view: the four sound categories as
// top-level rows, each with its entries in catalogue order as children.
// Columns: the event (name, and whether it plays), what it plays, Preview.
// Nothing is cached: every value is read from the library, the assignments
// and the player when the view asks, so a change costs one dataChanged and
// a repaint of the rows on screen, however many sets are installed.
// Main thread only.
class TonnixEventListModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Column { eventColumn, pickerColumn, previewColumn, columnCount_ };

  struct Icons {
    QIcon audible;
    QIcon silent;
    QIcon preview;
  };

  // Everything given must outlive the model; it follows their changes.
  TonnixEventListModel(TonnixLibrary& library, TonnixAssignments& assignments, TonnixPlayer& player,
                       Icons icons, QObject* parent = nullptr);

  // The catalogue entry of a row; null for a category's row.
  const TonnixSetEntry* entryAt(const QModelIndex& index) const;
  QModelIndex indexOf(TonnixSoundID soundID, int column) const;
  // The picker's entries for the row's event, in their order.
  std::vector<TonnixRowOption> options(const TonnixSetEntry& entry) const;
  // Which of `options` shows the stored selection; -1 for none.
  int currentOption(const TonnixSetEntry& entry) const;
  // Stores a chosen selection for the event.
  void choose(const TonnixSetEntry& entry, const TonnixSelection& selection);

  // Tells the view that everything shown may have changed.
  void refresh();

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  QString pickerText(const TonnixSetEntry& entry) const;
  QString baselineText() const;

  TonnixLibrary& library_;
  TonnixAssignments& assignments_;
  TonnixPlayer& player_;
  Icons icons_;
  // Per category, its catalogue entries in order.
  std::vector<std::vector<const TonnixSetEntry*>> sections_;
};

// What the picker calls a custom file: its name, and " (missing)" when
// nothing is at its path any more.
QString customSoundLabel(const std::filesystem::path& url);
