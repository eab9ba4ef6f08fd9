// libFuzzer target: pattern files (any bytes) and the words hyphenated with them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lyrics/CV_Hyphen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  cv::THyphenExceptions exceptions = cv::THyphenExceptions::Parse(bytes.substr(0, 4096));
  try {
    cv::THyphenPatterns patterns = cv::THyphenPatterns::FromBytes(bytes, "fuzz.hyp");
    // Words from the file's own bytes reach every letter code, boundary and length.
    for (size_t len : {size_t{3}, size_t{17}, size_t{63}, size_t{64}}) {
      std::string word(len, 'a');
      for (size_t i = 0; i < len && i < size; ++i) word[i] = static_cast<char>(data[size - 1 - i]);
      patterns.HyphenateWord(std::string_view(word));
    }
    cv::THyphenator h{patterns, exceptions};
    std::vector<std::u16string> lines = {u"Title", u"Artist", u"Stra\u00DFe  amore \U0001F600x -ab- ", u"---- 1_Takt"};
    cv::HyphenateEditText(lines, h);
  } catch (const cv::EHyphenError&) {
  }
  return 0;
}
