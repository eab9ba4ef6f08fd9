// The .rtf reader on arbitrary bytes.
#include "DocumentFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto reader = cv::MakeRtfReader();
  return FuzzDocumentReader(*reader, ".rtf", data, size);
}
