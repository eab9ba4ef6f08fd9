// Where the lyric view highlights a syllable: the current line up to the syllable, and a caret
// two or three lines ahead so the view scrolls before the singer gets there.
#pragma once

#include <vector>

#include "song/CV_Data.h"

namespace cvapp {

struct THighlight {
  int Caret = 0;      // look-ahead offset (scroll target)
  int SelStart = 0;
  int SelEnd = 0;
  bool EndOfLine = false;  // the target is a line-break element
};

bool IsLineBreakElement(const cv::THyphens& h);

// Offsets count each element's text length (a line break is one character). Returns false and
// leaves everything alone for an index outside the list.
bool ComputeHighlight(const std::vector<cv::THyphens>& hyphens, int elements, int hyphenToDraw,
                      THighlight& out);

}  // namespace cvapp
