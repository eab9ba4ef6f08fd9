// The text converter of the program and the command-line tool: ICU's charset detection and
// converters, so a song's lyrics read in the code page they were written in.
#pragma once

#include "song/TextCodec.h"

namespace cv {

class IcuTextConverter : public TextConverter {
 public:
  std::string CanonicalName(std::string_view name) const override;
  std::vector<Guess> Detect(std::string_view allText) const override;
  std::u16string Decode(std::string_view bytes, const std::string& encoding) const override;
  std::optional<std::string> Encode(std::u16string_view text, const std::string& encoding) const override;
};

// Installs one IcuTextConverter for the whole process (once; later calls do nothing).
void InstallIcuTextConverter();

}  // namespace cv
