// The edit text on arbitrary text: leaving the editor, then building and leaving again.
#include <cstddef>
#include <cstdint>

#include "FuzzLyricsSong.h"
#include "lyrics/EditText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  cv::Song song;
  try {
    std::u16string text = cvfuzz::Setup(song, data, size);
    song.QuerryForRules = size > 1 && (data[1] & 1);
    cv::TLeaveResult r = cv::LeaveEditText(song, text, [](const std::string&) { return true; });
    if (r.Status == cv::TLeaveStatus::Done) {
      for (size_t p = 1; p < song.HyphenArray.size(); ++p)
        if (song.HyphenArray[p].SongPosition < song.HyphenArray[p - 1].SongPosition) __builtin_trap();
      cv::TEditorText again = cv::EnterEditText(song);
      if (again.CaretOffset < 0 || again.CaretOffset > static_cast<int32_t>(again.Text.size())) __builtin_trap();
      cv::LeaveEditText(song, again.Text, nullptr);
    }
  } catch (const cv::EMidiError&) {
  }
  return 0;
}
