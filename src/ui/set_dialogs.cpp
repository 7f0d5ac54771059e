#include "ui/set_dialogs.h"

#include <QFileInfo>
#include <QMessageBox>

namespace {

const std::string setExtension = ".tonnixset";

bool endsWithSetExtension(const std::string& name) {
  if (name.size() < setExtension.size()) return false;
  const auto tail = name.substr(name.size() - setExtension.size());
  return std::equal(tail.begin(), tail.end(), setExtension.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

std::filesystem::path pathOf(const QString& file) {
  return std::filesystem::path(file.toStdString());
}

}  // namespace

std::filesystem::path withSetExtension(const std::filesystem::path& path) {
  if (endsWithSetExtension(path.filename().string())) return path;
  std::filesystem::path named = path;
  named += setExtension;
  return named;
}

TonnixImportDialog::TonnixImportDialog(QWidget* parent) : QFileDialog(parent) {
  setWindowTitle(tr("Import Sound Sets"));
  setOption(QFileDialog::DontUseNativeDialog);
  setFileMode(QFileDialog::ExistingFiles);
  setAcceptMode(QFileDialog::AcceptOpen);
  setNameFilters({tr("Sound sets (*.tonnixset)"),
                  tr("Archives (*.sit *.sea *.sitx *.cpt *.zip *.hqx *.bin)"),
                  tr("All files (*)")});
  selectNameFilter(tr("All files (*)"));
}

std::vector<std::filesystem::path> TonnixImportDialog::chosenPaths() const {
  std::vector<std::filesystem::path> paths;
  for (const QString& file : selectedFiles()) paths.push_back(pathOf(file));
  return paths;
}

void TonnixImportDialog::accept() {
  const QStringList files = selectedFiles();
  const bool allExist = !files.isEmpty() && std::all_of(files.begin(), files.end(), [](auto& file) {
    return QFileInfo::exists(file);
  });
  if (!allExist) {
    QFileDialog::accept();
    return;
  }
  QDialog::accept();
}

TonnixExportDialog::TonnixExportDialog(const QString& proposedName, QWidget* parent)
    : QFileDialog(parent) {
  setWindowTitle(tr("Export Sound Set"));
  setOption(QFileDialog::DontUseNativeDialog);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setLabelText(QFileDialog::Accept, tr("Export"));
  setLabelText(QFileDialog::FileName, tr("Export As:"));
  setNameFilter(tr("Sound sets (*.tonnixset)"));
  selectFile(proposedName + QString::fromStdString(setExtension));
}

void TonnixExportDialog::accept() {
  const QStringList files = selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return;
  // A folder other than a bundle is one to go into, not to save as.
  const QFileInfo typed(files.first());
  if (typed.isDir() && !endsWithSetExtension(typed.fileName().toStdString())) {
    setDirectory(typed.absoluteFilePath());
    return;
  }
  const std::filesystem::path chosen = withSetExtension(pathOf(files.first()));
  const QFileInfo existing(QString::fromStdString(chosen.string()));
  if (existing.exists()) {
    const auto answer = QMessageBox::warning(
        this, windowTitle(),
        tr("%1 already exists.\nDo you want to replace it?").arg(existing.fileName()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
  }
  destination_ = chosen;
  QDialog::accept();
}
