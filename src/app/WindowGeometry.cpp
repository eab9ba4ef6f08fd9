#include "app/WindowGeometry.h"

namespace cvapp {

TWindowGeometry ClampWindowGeometry(TWindowGeometry g, const QRect& desktop) {
  if (g.Height <= -9999 || g.Width <= -9999 || g.Left < -9998 || g.Top < -9998) return g;
  if (g.Height > desktop.height()) g.Height = desktop.height();
  if (g.Width > desktop.width()) g.Width = desktop.width();
  if (g.Left < desktop.left()) g.Left = desktop.left();
  if (g.Left > desktop.left() + desktop.width() - 20)
    g.Left = desktop.left() + desktop.width() - static_cast<int>(g.Width);
  if (g.Top < desktop.top()) g.Top = desktop.top();
  if (g.Top > desktop.top() + desktop.height() - 20)
    g.Top = desktop.top() + desktop.height() - static_cast<int>(g.Height);
  return g;
}

}  // namespace cvapp
