// Window placement from stored values: sizes in 96-dpi units, positions in pixels.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace cvapp {

constexpr int kNeverStored = -9999;

struct TWindowGeometry {
  int Left = 0;
  int Top = 0;
  double Height = 0;  // after clamping: pixels when the input was pixels
  double Width = 0;
};

// Pulls a stored placement back onto the desktop so that at least its last 20 pixels show; a size
// larger than the desktop becomes the desktop's. A position marked kNeverStored stays as it is.
TWindowGeometry ClampWindowGeometry(TWindowGeometry g, const QRect& desktop);

// The size of a window that was never placed: most of the screen, as a song's lines need room,
// but never larger than the screen.
QSize DefaultWindowSize(const QRect& screen);

// The usable area of the screen that holds the point, else of the main screen (the screen a
// placement was stored on may be gone).
QRect ScreenAreaAt(int left, int top);

// The width a window's title bar needs to show its whole caption beside the icon and the
// buttons: a small window is made at least this wide, or the desktop cuts the caption
// ("Chan…mpo").
int CaptionWidth(const QWidget& window);
// Makes a window with a layout of its own at least that wide (and never narrower than what it holds).
void KeepCaptionWhole(QWidget& window);

}  // namespace cvapp
