#include "ui/appearance.h"

#include <QLabel>

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
