#include "app/SelectHyphen.h"

namespace cvapp {

bool IsLineBreakElement(const cv::THyphens& h) { return h.Text == u"\r"; }

bool ComputeHighlight(const std::vector<cv::THyphens>& hyphens, int elements, int hyphenToDraw,
                      THighlight& out) {
  const int n = std::min<int>(elements, static_cast<int>(hyphens.size()));
  if (n < 1 || hyphenToDraw < 0 || hyphenToDraw > n - 1) return false;
  int a = 0, b = 0, c = 0;
  for (int i = 0; i <= hyphenToDraw; ++i) {
    a += static_cast<int>(hyphens[i].Text.size());
    if (IsLineBreakElement(hyphens[i])) {
      b = c;
      c = a;
    }
  }
  const bool endOfLine = IsLineBreakElement(hyphens[hyphenToDraw]);
  int ahead = a;
  const int linesAhead = endOfLine ? 2 : 3;
  for (int j = hyphenToDraw + 1, passed = 0; j < n && passed < linesAhead; ++j) {
    ahead += static_cast<int>(hyphens[j].Text.size());
    if (IsLineBreakElement(hyphens[j])) {
      ++ahead;
      ++passed;
    }
  }
  out.Caret = ahead;
  out.EndOfLine = endOfLine;
  if (endOfLine) {
    out.SelStart = b;
    out.SelEnd = a > 2 ? a - 1 : a;
  } else {
    out.SelStart = c;
    out.SelEnd = a;
  }
  return true;
}

}  // namespace cvapp
