#include "app/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>

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

QRect ScreenAreaAt(int left, int top) {
  const QScreen* screen = QGuiApplication::screenAt(QPoint(left, top));
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
}

}  // namespace cvapp
