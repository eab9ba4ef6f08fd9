// Window placement from stored values: sizes in 96-dpi units, positions in pixels.
#pragma once

#include <QRect>

namespace cvapp {

struct TWindowGeometry {
  int Left = 0;
  int Top = 0;
  double Height = 0;  // after clamping: pixels when the input was pixels
  double Width = 0;
};

// Pulls a stored placement back onto the desktop so that at least its last 20 pixels show.
// -9999 marks a value that was never stored: then nothing changes.
TWindowGeometry ClampWindowGeometry(TWindowGeometry g, const QRect& desktop);

}  // namespace cvapp
