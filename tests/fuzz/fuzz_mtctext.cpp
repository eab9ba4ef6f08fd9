// The position text on arbitrary text: leaving the editor, then remove punctuation and upper case.
#include <cstddef>
#include <cstdint>

#include "FuzzLyricsSong.h"
#include "lyrics/MtcText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  cv::Song song;
  try {
    std::u16string text = cvfuzz::Setup(song, data, size);
    cv::EnterMtcText(song);
    cv::TLeaveResult r = cv::LeaveMtcText(song, text);
    if (r.Status == cv::TLeaveStatus::Done) {
      for (size_t p = 1; p < song.HyphenArray.size(); ++p)
        if (song.HyphenArray[p].SongPosition < song.HyphenArray[p - 1].SongPosition) __builtin_trap();
      cv::RemovePunctuation(song);
      cv::SetUpperCase(song);
      cv::TEditorText again = cv::BuildMtcText(song);
      if (cv::LeaveMtcText(song, again.Text).Status == cv::TLeaveStatus::BadPosition) __builtin_trap();
    }
  } catch (const cv::EMidiError&) {
  }
  return 0;
}
