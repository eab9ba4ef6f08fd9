// Plain text: byte-order mark, else UTF-8 when the bytes are valid UTF-8, else Windows-1252.
#include "platform/documents/DocumentCommon.h"
#include "platform/documents/DocumentReaders.h"
#include "song/TextCodec.h"

namespace cv {

namespace {

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    out.push_back(static_cast<char16_t>((hi << 8) | lo));
  }
  return out;
}

class TxtReader : public DocumentReader {
 public:
  std::string NameFilter() const override { return "Text (*.txt)"; }
  bool SupportsFile(const std::string& path) const override { return documents::HasExtension(path, ".txt"); }
  std::vector<std::u16string> ReadLines(const std::string& path) const override {
    std::string bytes = documents::ReadBoundedFile(path);
    std::string_view b(bytes);
    std::u16string text;
    if (b.substr(0, 3) == "\xEF\xBB\xBF")
      text = Utf8ToUtf16(b.substr(3));
    else if (b.substr(0, 2) == "\xFF\xFE")
      text = DecodeUtf16(b.substr(2), false);
    else if (b.substr(0, 2) == "\xFE\xFF")
      text = DecodeUtf16(b.substr(2), true);
    else if (IsValidUtf8(b))
      text = Utf8ToUtf16(b);
    else
      text = DecodeWindows1252(b);
    return documents::SplitLines(path, text);
  }
};

}  // namespace

std::unique_ptr<DocumentReader> MakeTxtReader() { return std::make_unique<TxtReader>(); }

}  // namespace cv
