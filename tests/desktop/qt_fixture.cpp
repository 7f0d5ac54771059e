// The Qt Widgets application the desktop tests drive by keys (there is no
// window frame to click without a window manager): Ctrl+D opens the modal
// "Fixture Dialog", Ctrl+N the window "Fixture Second Window", Ctrl+W
// closes it and Ctrl+E deletes it without closing it; Ctrl+B opens the
// window "Fixture Plain Window", a plain widget without parent or children,
// in which Ctrl+Shift+B deletes it; Ctrl+P opens the pop-up list of the combo box
// "Pick Me".

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

void openDialog(QWidget* parent) {
  auto* dialog = new QDialog(parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("Fixture Dialog"));
  auto* layout = new QVBoxLayout(dialog);
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
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QPushButton(QStringLiteral("Press Me")));
    layout->addWidget(new QCheckBox(QStringLiteral("Check Me")));
    auto* combo = new QComboBox;
    combo->setAccessibleName(QStringLiteral("Pick Me"));
    combo->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")});
    layout->addWidget(combo);
    setCentralWidget(page);
    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Open &Dialog…"), QKeySequence(Qt::CTRL | Qt::Key_D), this,
                    [this] { openDialog(this); });
    file->addAction(QStringLiteral("&New Window"), QKeySequence(Qt::CTRL | Qt::Key_N), this,
                    [this] { openSecondWindow(); });
    file->addAction(QStringLiteral("&Close Window"), QKeySequence(Qt::CTRL | Qt::Key_W), this,
                    [this] {
                      if (second_) second_->close();
                    });
    file->addAction(QStringLiteral("D&elete Window"), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                    [this] { delete second_; });
    file->addAction(QStringLiteral("Plain &Window"), QKeySequence(Qt::CTRL | Qt::Key_B), this,
                    [this] { openPlainWindow(); });
    file->addAction(QStringLiteral("&Pick"), QKeySequence(Qt::CTRL | Qt::Key_P), combo,
                    [combo] { combo->showPopup(); });
    resize(640, 480);
  }

 private:
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

  void openPlainWindow() {
    if (plain_) return;
    plain_ = new QWidget;
    plain_->setWindowTitle(QStringLiteral("Fixture Plain Window"));
    plain_->resize(200, 100);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B), plain_);
    connect(shortcut, &QShortcut::activated, plain_, &QObject::deleteLater);
    plain_->show();
  }

  QPointer<QWidget> second_;
  QPointer<QWidget> plain_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tonnix-qt-fixture"));
  FixtureWindow window;
  window.show();
  return QApplication::exec();
}
