#pragma once

#include <QFileDialog>
#include <filesystem>
#include <vector>

// The file dialogs of the Sound Sets tab. Both are Qt's own dialogs rather
// than the desktop's, whose pickers take either files or folders but not
// both, and may ignore the export's labels. Main thread only.

// `path`, with ".tonnixset" appended unless its name already ends in it in
// any letter case: "Mine" gives "Mine.tonnixset", "Mine.TONNIXSET" is kept.
std::filesystem::path withSetExtension(const std::filesystem::path& path);

// Several sound-set bundles, folders of audio and classic set files at
// once. Bundles are folders: Open takes a chosen folder rather than going
// into it (a double click still goes in).
class TonnixImportDialog : public QFileDialog {
  Q_OBJECT

 public:
  explicit TonnixImportDialog(QWidget* parent = nullptr);

  std::vector<std::filesystem::path> chosenPaths() const;

 public slots:
  void accept() override;
};

// "Export Sound Set": proposes NAME.tonnixset, and asks before replacing
// what is at the chosen destination, a bundle folder included (Qt's own
// question covers files only).
class TonnixExportDialog : public QFileDialog {
  Q_OBJECT

 public:
  TonnixExportDialog(const QString& proposedName, QWidget* parent = nullptr);

  // The chosen path with the set extension; empty before acceptance.
  const std::filesystem::path& destination() const { return destination_; }

 public slots:
  void accept() override;

 private:
  std::filesystem::path destination_;
};
