// Conversions between the bytes of text events and the program's UTF-16 strings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cv {

// A text encoding by its canonical name ("UTF-8", "Windows-1252", "GBK", "Shift_JIS", ...). The
// core converts UTF-8 and Windows-1252 itself; any other goes through the installed TextConverter.
struct TextEncoding {
  std::string Name;
  static const TextEncoding Utf8;
  static const TextEncoding Windows1252;
  bool operator==(const TextEncoding&) const = default;
};

// Detection and conversion of the encodings beyond the core's own two, supplied by the platform.
class TextConverter {
 public:
  virtual ~TextConverter() = default;
  // The canonical name of an encoding name or alias; empty when the library knows none.
  virtual std::string CanonicalName(std::string_view name) const = 0;
  // The encodings one song's text (all its events together) may be in, most likely first, each
  // with the detector's confidence (0 to 100); empty when it has none.
  struct Guess {
    std::string Name;
    int Confidence = 0;
  };
  virtual std::vector<Guess> Detect(std::string_view allText) const = 0;
  // Invalid sequences become U+FFFD.
  virtual std::u16string Decode(std::string_view bytes, const std::string& encoding) const = 0;
  // None when a character has no code in the encoding.
  virtual std::optional<std::string> Encode(std::u16string_view text, const std::string& encoding) const = 0;
};

// The converter used for encodings beyond UTF-8 and Windows-1252 (process-wide, set once at start;
// none: only the core's own two are known).
void SetTextConverter(const TextConverter* converter);
const TextConverter* InstalledTextConverter();

// The encoding a user's name means ("utf8", "cp1252", "gbk", "windows-1251", ...); none when unknown.
std::optional<TextEncoding> FindTextEncoding(std::string_view name);

std::u16string DecodeWindows1252(std::string_view bytes);
// Characters without a Windows-1252 code become '?'.
std::string EncodeWindows1252(std::u16string_view text);
// Windows-1252 code of one character, or -1 when it has none.
int Windows1252Code(char16_t ch);

// Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view bytes);
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view bytes);
bool HasMultiByteUtf8(std::string_view bytes);

std::u16string DecodeText(std::string_view bytes, const TextEncoding& encoding);
// Characters the encoding cannot hold become '?': callers that write files check with TryEncodeText.
std::string EncodeText(std::u16string_view text, const TextEncoding& encoding);
// None when a character has no code in the encoding.
std::optional<std::string> TryEncodeText(std::u16string_view text, const TextEncoding& encoding);
const std::string& EncodingName(const TextEncoding& encoding);
// Which bytes begin a two-byte character whose second byte may be an ASCII byte: none, 81-FE (the
// Chinese and Korean code pages), or Shift_JIS's 81-9F and E0-FC (its A1-DF are half-width
// katakana of one byte).
enum class TLeadBytes : uint8_t { None, From81, ShiftJis };
TLeadBytes LeadBytesOf(const TextEncoding& encoding);
inline bool IsLeadByte(TLeadBytes leads, uint8_t b) {
  return leads == TLeadBytes::From81 ? b >= 0x81 && b <= 0xFE
                                     : leads == TLeadBytes::ShiftJis && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}
// Whether a MIDI text event can hold text in this encoding: ASCII letters, digits, blanks and
// line marks are their ASCII bytes (not so in UTF-16, UTF-32 or EBCDIC, which a keyboard reads as
// garbage, one byte-order mark per syllable).
bool FitsTextEvents(const TextEncoding& encoding);

}  // namespace cv
