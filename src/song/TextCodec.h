// Conversions between the bytes of text events and the program's UTF-16 strings.
#pragma once

#include <string>
#include <string_view>

namespace cv {

enum class TextEncoding { Windows1252, Utf8 };

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

std::u16string DecodeText(std::string_view bytes, TextEncoding encoding);
std::string EncodeText(std::u16string_view text, TextEncoding encoding);
const char* EncodingName(TextEncoding encoding);

}  // namespace cv
