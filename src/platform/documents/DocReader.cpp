// Word 97-2003 (.doc): the compound file through libgsf, then the main text through the piece table.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/documents/DocumentCommon.h"
#include "platform/documents/DocumentReaders.h"
#include "song/TextCodec.h"

namespace cv {

namespace {

struct GObjectUnref {
  void operator()(void* p) const {
    if (p) g_object_unref(p);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

std::string ReadStream(const std::string& path, GsfInfile* root, const char* name) {
  GPtr<GsfInput> stream(gsf_infile_child_by_name(root, name));
  if (!stream) return {};
  gsf_off_t size = gsf_input_size(stream.get());
  if (size < 0 || static_cast<uint64_t>(size) > kMaxDocumentBytes)
    documents::Fail(path, "Ein Teil des Dokuments ist zu groß.", "a part of the document is too large.");
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && !gsf_input_read(stream.get(), static_cast<size_t>(size), reinterpret_cast<guint8*>(bytes.data())))
    documents::Fail(path, "Ein Teil des Dokuments ist nicht lesbar.", "a part of the document cannot be read.");
  return bytes;
}

uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

// Turns the characters of the main text into lines: paragraph and cell marks end lines, field codes
// are dropped (their results kept), objects and soft hyphens vanish.
class WordTextSink {
 public:
  explicit WordTextSink(const std::string& path) : lines_(path) {}
  void Put(char16_t c) {
    switch (c) {
      case 0x13: fields_.push_back(true); return;   // field begin: code follows
      case 0x14: if (!fields_.empty()) fields_.back() = false; return;  // separator: result follows
      case 0x15: if (!fields_.empty()) fields_.pop_back(); return;
      default: break;
    }
    if (!fields_.empty() && fields_.back()) return;
    switch (c) {
      case 0x0D: case 0x0B: case 0x0C: case 0x07: lines_.EndLine(); return;
      case 0x1E: lines_.Append(u'-'); return;
      case 0x1F: case 0x01: case 0x08: case 0x05: case 0x02: return;
      default: lines_.Append(c);
    }
  }
  std::vector<std::u16string> Finish() { return lines_.Finish(); }

 private:
  documents::LineCollector lines_;
  std::vector<bool> fields_;
};

class DocReader : public DocumentReader {
 public:
  std::string NameFilter() const override { return "Word (*.doc)"; }
  bool SupportsFile(const std::string& path) const override { return documents::HasExtension(path, ".doc"); }

  std::vector<std::u16string> ReadLines(const std::string& path) const override {
    static std::once_flag init;
    std::call_once(init, [] {
      gsf_init();
      // Damaged files make libgsf log assertions; the reader reports them as its own error.
      g_log_set_handler("libgsf:msole", static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                        [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
    std::string file = documents::ReadBoundedFile(path);
    GPtr<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8*>(file.data()),
                                              static_cast<gsf_off_t>(file.size()), FALSE));
    GError* error = nullptr;
    GPtr<GsfInfile> root(input ? gsf_infile_msole_new(input.get(), &error) : nullptr);
    if (error) g_error_free(error);
    if (!root) documents::Fail(path, "Die Datei ist kein Word-97-2003-Dokument.", "the file is not a Word 97-2003 document.");

    std::string word = ReadStream(path, root.get(), "WordDocument");
    if (word.size() < 0x1AA || U16(word, 0) != 0xA5EC)
      documents::Fail(path, "Dem Dokument fehlt der Word-Textteil.", "the document has no Word text stream.");
    uint16_t flags = U16(word, 0x0A);
    if (flags & 0x0100) documents::Fail(path, "Das Dokument ist verschlüsselt.", "the document is encrypted.");
    std::string table = ReadStream(path, root.get(), (flags & 0x0200) ? "1Table" : "0Table");
    uint32_t ccpText = U32(word, 0x4C);
    uint32_t fcClx = U32(word, 0x1A2);
    uint32_t lcbClx = U32(word, 0x1A6);
    if (lcbClx == 0 || fcClx > table.size() || lcbClx > table.size() - fcClx)
      documents::Fail(path, "Die Texttabelle des Dokuments ist beschädigt.", "the document's text table is damaged.");

    // Skip the formatting records (Prc) to the piece table (Pcdt).
    size_t at = fcClx, end = fcClx + lcbClx;
    while (at < end && table[at] == 0x01) {
      if (at + 3 > end) break;
      at += 3 + U16(table, at + 1);
    }
    if (at + 5 > end || table[at] != 0x02)
      documents::Fail(path, "Die Texttabelle des Dokuments ist beschädigt.", "the document's text table is damaged.");
    uint32_t lcb = U32(table, at + 1);
    at += 5;
    if (lcb < 4 || lcb > end - at || (lcb - 4) % 12 != 0)
      documents::Fail(path, "Die Texttabelle des Dokuments ist beschädigt.", "the document's text table is damaged.");
    size_t pieces = (lcb - 4) / 12;
    size_t pcdStart = at + (pieces + 1) * 4;

    WordTextSink sink(path);
    for (size_t i = 0; i < pieces; ++i) {
      uint32_t cpStart = U32(table, at + i * 4);
      uint32_t cpEnd = U32(table, at + (i + 1) * 4);
      if (cpStart >= ccpText) break;  // only the main text, not headers or footnotes
      if (cpEnd > ccpText) cpEnd = ccpText;
      if (cpEnd <= cpStart) continue;
      uint32_t fcRaw = U32(table, pcdStart + i * 8 + 2);
      bool compressed = fcRaw & 0x40000000u;
      uint64_t fc = fcRaw & 0x3FFFFFFFu;
      uint64_t count = cpEnd - cpStart;
      if (compressed) {
        fc /= 2;
        if (fc > word.size() || count > word.size() - fc)
          documents::Fail(path, "Ein Textstück liegt außerhalb des Dokuments.", "a text piece lies outside the document.");
        std::u16string text = DecodeWindows1252(std::string_view(word).substr(fc, count));
        for (char16_t c : text) sink.Put(c);
      } else {
        if (fc > word.size() || count * 2 > word.size() - fc)
          documents::Fail(path, "Ein Textstück liegt außerhalb des Dokuments.", "a text piece lies outside the document.");
        for (uint64_t k = 0; k < count; ++k) sink.Put(U16(word, fc + k * 2));
      }
    }
    return sink.Finish();
  }
};

}  // namespace

std::unique_ptr<DocumentReader> MakeDocReader() { return std::make_unique<DocReader>(); }

std::vector<std::unique_ptr<DocumentReader>> AllDocumentReaders() {
  std::vector<std::unique_ptr<DocumentReader>> readers;
  readers.push_back(MakeDocReader());
  readers.push_back(MakeDocxReader());
  readers.push_back(MakeOdtReader());
  readers.push_back(MakeRtfReader());
  readers.push_back(MakeTxtReader());
  return readers;
}

const DocumentReader* FindDocumentReader(const std::vector<std::unique_ptr<DocumentReader>>& readers,
                                         const std::string& path) {
  for (const auto& r : readers)
    if (r->SupportsFile(path)) return r.get();
  return nullptr;
}

}  // namespace cv
