// One reader per lyric text file format (txt, rtf, doc, docx, odt): the import picks by file name.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace cv {

// A document that cannot be read; the message is finished, names the file and the fault.
class EDocumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class DocumentReader {
 public:
  virtual ~DocumentReader() = default;
  // File dialog filter, e.g. "Word 2007-365 (*.docx)".
  virtual std::string NameFilter() const = 0;
  // Decided by the file name's extension (case-insensitive).
  virtual bool SupportsFile(const std::string& path) const = 0;
  // The text as lines in document order; throws EDocumentError.
  virtual std::vector<std::u16string> ReadLines(const std::string& path) const = 0;
};

// Refused beyond these: a hostile document must not exhaust memory. A song's lyrics are a few
// hundred lines; at the syllable limit a song with its lyrics takes about 150 MB.
constexpr size_t kMaxDocumentBytes = 64u * 1024 * 1024;
constexpr size_t kMaxDocumentLines = 100000;
constexpr size_t kMaxLyricSyllables = 300000;

}  // namespace cv
