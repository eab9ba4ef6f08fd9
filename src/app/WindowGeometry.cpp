#include "app/WindowGeometry.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace cvapp {

TWindowGeometry ClampWindowGeometry(TWindowGeometry g, const QRect& desktop) {
  if (g.Height > desktop.height()) g.Height = desktop.height();
  if (g.Width > desktop.width()) g.Width = desktop.width();
  // Only the mark itself: a position far off to the left or top is a placement to pull back.
  if (g.Left == kNeverStored || g.Top == kNeverStored) return g;
  if (g.Left < desktop.left()) g.Left = desktop.left();
  if (g.Left > desktop.left() + desktop.width() - 20)
    g.Left = desktop.left() + desktop.width() - static_cast<int>(g.Width);
  if (g.Top < desktop.top()) g.Top = desktop.top();
  if (g.Top > desktop.top() + desktop.height() - 20)
    g.Top = desktop.top() + desktop.height() - static_cast<int>(g.Height);
  return g;
}

QSize DefaultWindowSize(const QRect& screen) {
  const int width = std::min(screen.width(), std::max(800, screen.width() * 3 / 4));
  const int height = std::min(screen.height(), std::max(600, screen.height() * 5 / 6));
  return {width, height};
}

QRect ScreenAreaAt(int left, int top) {
  const QScreen* screen = QGuiApplication::screenAt(QPoint(left, top));
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
}

int CaptionWidth(const QWidget& window) {
  // Title bars mostly draw the caption bold.
  QFont bold = window.font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  return metrics.horizontalAdvance(window.windowTitle()) + 8 * metrics.averageCharWidth() + 96;
}

void KeepCaptionWhole(QWidget& window) {
  // A minimum width set by hand replaces the one the layout gives: the content's counts too.
  window.setMinimumWidth(0);
  window.setMinimumWidth(std::max(CaptionWidth(window), window.minimumSizeHint().width()));
}

}  // namespace cvapp
