#include "ui/application_chooser.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/afflicted_application.h"
#include "ui/appearance.h"

namespace {

// Where the application's index into the chooser's list is kept.
constexpr int applicationRole = Qt::UserRole;

}  // namespace

TonnixApplicationChooser::TonnixApplicationChooser(
    std::vector<TonnixInstalledApplication> applications, QWidget* parent)
    : QDialog(parent), applications_(std::move(applications)) {
  setWindowTitle(tr("Exclude App"));
  const TonnixLocalizedStandardOrder order;
  std::sort(applications_.begin(), applications_.end(),
            [&order](const auto& a, const auto& b) { return order(a.name, b.name); });

  search_ = new QLineEdit;
  search_->setPlaceholderText(tr("Search applications"));
  search_->setClearButtonEnabled(true);
  connect(search_, &QLineEdit::textChanged, this, &TonnixApplicationChooser::search);

  list_ = new QListWidget;
  list_->setIconSize(QSize(24, 24));
  list_->setUniformItemSizes(true);
  for (std::size_t index = 0; index < applications_.size(); ++index) {
    const auto& application = applications_[index];
    auto* item = new QListWidgetItem(applicationIcon(application.icon, *this), application.name);
    item->setData(applicationRole, int(index));
    item->setToolTip(QString::fromStdString(application.file.string()));
    list_->addItem(item);
  }
  connect(list_, &QListWidget::currentItemChanged, this,
          &TonnixApplicationChooser::refreshAcceptance);
  connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons_->button(QDialogButtonBox::Ok)->setText(tr("Exclude"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search_);
  layout->addWidget(list_, 1);
  layout->addWidget(buttons_);
  resize(420, 480);
  refreshAcceptance();
}

std::optional<std::filesystem::path> TonnixApplicationChooser::chosenFile() const {
  const auto* item = list_->currentItem();
  if (!item || item->isHidden()) return std::nullopt;
  return applications_[std::size_t(item->data(applicationRole).toInt())].file;
}

void TonnixApplicationChooser::search(const QString& text) {
  if (search_->text() != text) search_->setText(text);
  QListWidgetItem* firstShown = nullptr;
  for (int row = 0; row < list_->count(); ++row) {
    auto* item = list_->item(row);
    const bool shows = item->text().contains(text.trimmed(), Qt::CaseInsensitive);
    item->setHidden(!shows);
    if (shows && !firstShown) firstShown = item;
  }
  // Typing a name and pressing Enter picks the first that matches.
  if (!list_->currentItem() || list_->currentItem()->isHidden()) list_->setCurrentItem(firstShown);
  refreshAcceptance();
}

void TonnixApplicationChooser::refreshAcceptance() {
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(chosenFile().has_value());
}
