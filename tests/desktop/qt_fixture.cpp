// A small Qt Widgets application that the desktop tests watch and drive
// with synthetic keys and clicks: a menu bar, a dialog opened by a key, a
// second window, a tree with expandable rows, a tooltip, and one of each
// common control. Every action has a key, because without a window manager
// there is no window frame to click.
//
//   Ctrl+D  opens the modal dialog "Fixture Dialog" (Escape or Return
//           closes it; it is destroyed when closed)
//   Ctrl+N  opens the window "Fixture Second Window"; Ctrl+W closes it
//   Ctrl+T  shows the tree tab and selects its first row; Right expands
//           it and Left collapses it
//   Ctrl+H  shows a tooltip over the push button for a few seconds
//   Ctrl+Q  quits
//
// It prints "ready" on standard output once its main window is shown, then
// "pressMe X Y": the screen position of the push button's centre.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>

namespace {

QWidget* makeControlsPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  auto* button = new QPushButton(QStringLiteral("Press Me"));
  button->setObjectName(QStringLiteral("pressMe"));
  button->setToolTip(QStringLiteral("A button that does nothing"));
  form->addRow(QStringLiteral("Button"), button);
  form->addRow(QStringLiteral("Check box"), new QCheckBox(QStringLiteral("Check Me")));
  auto* radios = new QWidget;
  auto* radioLayout = new QVBoxLayout(radios);
  auto* first = new QRadioButton(QStringLiteral("Radio A"));
  first->setChecked(true);
  radioLayout->addWidget(first);
  radioLayout->addWidget(new QRadioButton(QStringLiteral("Radio B")));
  form->addRow(QStringLiteral("Radio buttons"), radios);
  form->addRow(QStringLiteral("Spin box"), new QSpinBox);
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setRange(0, 100);
  form->addRow(QStringLiteral("Slider"), slider);
  form->addRow(QStringLiteral("Text field"), new QLineEdit(QStringLiteral("Some text")));
  auto* combo = new QComboBox;
  combo->addItems({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
  form->addRow(QStringLiteral("Pop-up"), combo);
  return page;
}

QTreeWidget* makeTree() {
  auto* tree = new QTreeWidget;
  tree->setObjectName(QStringLiteral("tree"));
  tree->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Kind")});
  for (int parentIndex = 1; parentIndex <= 3; ++parentIndex) {
    auto* parent = new QTreeWidgetItem(
        tree, {QStringLiteral("Folder %1").arg(parentIndex), QStringLiteral("folder")});
    for (int childIndex = 1; childIndex <= 3; ++childIndex) {
      new QTreeWidgetItem(parent, {QStringLiteral("Item %1.%2").arg(parentIndex).arg(childIndex),
                                   QStringLiteral("item")});
    }
  }
  return tree;
}

void openDialog(QWidget* parent) {
  auto* dialog = new QDialog(parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("Fixture Dialog"));
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(new QLabel(QStringLiteral("Close this dialog with Escape or Return.")));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog->open();
}

class FixtureWindow : public QMainWindow {
 public:
  FixtureWindow() {
    setWindowTitle(QStringLiteral("Tonnix Fixture"));
    tabs_ = new QTabWidget;
    tabs_->addTab(makeControlsPage(), QStringLiteral("Controls"));
    tree_ = makeTree();
    tabs_->addTab(tree_, QStringLiteral("Tree"));
    setCentralWidget(tabs_);
    buildMenus();
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), [this] { selectFirstRow(); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), [this] { showTooltip(); });
    resize(640, 480);
  }

 private:
  void buildMenus() {
    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Open &Dialog…"), QKeySequence(Qt::CTRL | Qt::Key_D), this,
                    [this] { openDialog(this); });
    file->addAction(QStringLiteral("&New Window"), QKeySequence(Qt::CTRL | Qt::Key_N), this,
                    [this] { openSecondWindow(); });
    file->addAction(QStringLiteral("&Close Window"), QKeySequence(Qt::CTRL | Qt::Key_W), this,
                    [this] { closeSecondWindow(); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), qApp,
                    &QApplication::quit);
    auto* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(QStringLiteral("Cu&t"));
    edit->addAction(QStringLiteral("&Copy"));
    edit->addAction(QStringLiteral("&Paste"));
  }

  template <typename Slot>
  void addShortcut(const QKeySequence& keys, Slot slot) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, this, slot);
  }

  void openSecondWindow() {
    if (second_) return;
    second_ = new QWidget(nullptr, Qt::Window);
    second_->setAttribute(Qt::WA_DeleteOnClose);
    second_->setWindowTitle(QStringLiteral("Fixture Second Window"));
    auto* layout = new QVBoxLayout(second_);
    layout->addWidget(new QLabel(QStringLiteral("A second window.")));
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), second_);
    connect(shortcut, &QShortcut::activated, second_, &QWidget::close);
    second_->resize(320, 200);
    second_->show();
  }

  void closeSecondWindow() {
    if (second_) second_->close();
  }

  void selectFirstRow() {
    tabs_->setCurrentWidget(tree_);
    tree_->setFocus();
    tree_->setCurrentItem(tree_->topLevelItem(0));
  }

  void showTooltip() {
    const auto* button = findChild<QPushButton*>(QStringLiteral("pressMe"));
    if (!button) return;
    tabs_->setCurrentIndex(0);
    QToolTip::showText(button->mapToGlobal(button->rect().center()), button->toolTip(),
                       const_cast<QPushButton*>(button), {}, 3000);
  }

  QTabWidget* tabs_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QPointer<QWidget> second_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tonnix-qt-fixture"));
  FixtureWindow window;
  window.show();
  QTimer::singleShot(0, &window, [&window] {
    std::puts("ready");
    if (const auto* button = window.findChild<QPushButton*>(QStringLiteral("pressMe"))) {
      const QPoint centre = button->mapToGlobal(button->rect().center());
      std::printf("pressMe %d %d\n", centre.x(), centre.y());
    }
    std::fflush(stdout);
  });
  return QApplication::exec();
}
