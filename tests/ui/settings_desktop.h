#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMimeData>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/controller_desktop.h"
#include "ui/general_tab.h"

namespace ui_test {

// The controller on the fake desktop, with the rest the settings window is
// given: the accessibility switch (on to begin with) and a
// login entry in the session's scratch folder.
struct SettingsDesktop : controller_test::ControllerDesktop {
  using ControllerDesktop::ControllerDesktop;

  std::filesystem::path autostartFolder() const {
    return std::filesystem::path(scratch.path().toStdString()) / "autostart";
  }
  TonnixSettingsModel model() {
    return {controller(), silence, accessibility.status(), autostart, applications, updates.updater};
  }

  std::unique_ptr<TonnixGeneralTab> showGeneralTab() {
    auto tab = std::make_unique<TonnixGeneralTab>(model());
    tab->show();
    if (!QTest::qWaitForWindowExposed(tab.get())) throw std::runtime_error("tab not shown");
    return tab;
  }
};
// The widget showing `text`; a missing one fails the test.
template <typename Widget>
Widget& withText(const QWidget& root, const QString& text) {
  for (auto* widget : root.findChildren<Widget*>()) {
    if (widget->text() == text) return *widget;
  }
  throw std::runtime_error("nothing shows " + text.toStdString());
}

template <typename Widget>
Widget& named(const QWidget& root, const char* name) {
  auto* widget = root.findChild<Widget*>(QString::fromLatin1(name));
  if (!widget) throw std::runtime_error(std::string("no widget named ") + name);
  return *widget;
}

// Clicks near the left edge, where a check box's box is however wide its
// row stretches it.
inline void click(QAbstractButton& button) {
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
}

// Drags local files onto the widget and drops them; whether it took them.
inline bool dropFiles(QWidget& target, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
  return enter.isAccepted();
}

}  // namespace ui_test
