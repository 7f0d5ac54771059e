#pragma once

#include <QDialog>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/application_directory.h"

class QDialogButtonBox;
class QLineEdit;
class QListWidget;

// Picks one of the installed applications by name, as the launcher shows
// them: with their icons, in the user's order, narrowed while typing.
// Main thread only.
class TonnixApplicationChooser : public QDialog {
  Q_OBJECT

 public:
  TonnixApplicationChooser(std::vector<TonnixInstalledApplication> applications,
                           QWidget* parent = nullptr);

  // The .desktop file of the application chosen, once accepted.
  std::optional<std::filesystem::path> chosenFile() const;
  // Shows only the applications whose name holds `text`.
  void search(const QString& text);

 private:
  void refreshAcceptance();

  std::vector<TonnixInstalledApplication> applications_;
  QLineEdit* search_ = nullptr;
  QListWidget* list_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};
