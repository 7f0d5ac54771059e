#include "ui/appearance.h"

#include <QLabel>
#include <QPainter>
#include <QStackedWidget>

namespace {

void makeSmall(QLabel& label) {
  QFont font = label.font();
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * 0.9);
  } else {
    font.setPixelSize(font.pixelSize() * 9 / 10);
  }
  label.setFont(font);
}

// Orange keeps enough contrast for small text only when darkened on light
// themes and lightened on dark ones.
QColor warningColor(const QPalette& palette) {
  const bool isLightTheme = palette.color(QPalette::Window).lightness() > 128;
  return isLightTheme ? QColor(0xa8, 0x52, 0x00) : QColor(0xf6, 0x74, 0x00);
}

}  // namespace

QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback, const QWidget& widget) {
  return QIcon::fromTheme(QString::fromLatin1(name), widget.style()->standardIcon(fallback));
}

QIcon applicationIcon(const std::optional<QString>& icon, const QWidget& widget) {
  const QIcon generic = themeIcon("application-x-executable", QStyle::SP_DesktopIcon, widget);
  if (!icon || icon->isEmpty()) return generic;
  if (icon->startsWith(u'/')) {
    const QIcon file(*icon);
    return file.pixmap(16).isNull() ? generic : file;
  }
  return QIcon::fromTheme(*icon, generic);
}

QPixmap warningSymbol(const QIcon& symbol, const QWidget& widget) {
  const int size = widget.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &widget);
  QPixmap tinted = symbol.pixmap(QSize(size, size), widget.devicePixelRatioF());
  QPainter painter(&tinted);
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(tinted.rect(), warningColor(widget.palette()));
  return tinted;
}

QStackedWidget* withEmptyText(QWidget* content, const QString& text, const char* emptyName) {
  auto* empty = new QLabel(text);
  empty->setObjectName(QString::fromLatin1(emptyName));
  empty->setAlignment(Qt::AlignCenter);
  makeSecondaryText(*empty);
  auto* pages = new QStackedWidget;
  pages->addWidget(content);
  pages->addWidget(empty);
  return pages;
}

void makeSecondaryText(QLabel& label) {
  makeSmall(label);
  label.setForegroundRole(QPalette::PlaceholderText);
  label.setWordWrap(true);
}

void makeWarningText(QLabel& label) {
  makeSmall(label);
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, warningColor(palette));
  label.setPalette(palette);
  label.setWordWrap(true);
}

int checkBoxTextIndent(const QWidget& widget) {
  const QStyle& style = *widget.style();
  return style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget) +
         style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &widget);
}
