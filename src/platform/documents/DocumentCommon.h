// Shared pieces of the document readers: bounded file reading, line collection, error texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lyrics/DocumentReader.h"

namespace cv::documents {

// "The file "x.doc" cannot be read: <reason> <what to do>", in the user's language, naming the file:
// Fail for a damaged document, FailTooLarge for one beyond the size limits.
[[noreturn]] void Fail(const std::string& path, const char* reasonDe, const char* reasonEn);
[[noreturn]] void FailTooLarge(const std::string& path, const char* reasonDe, const char* reasonEn);

// The whole file, refused beyond kMaxDocumentBytes.
std::string ReadBoundedFile(const std::string& path);

bool HasExtension(const std::string& path, std::string_view extension);

// Collects lines and refuses documents beyond the size limits.
class LineCollector {
 public:
  explicit LineCollector(std::string path) : path_(std::move(path)) {}
  void Append(char16_t ch);
  void Append(std::u16string_view text);
  void EndLine();
  // Ends the current line when it holds anything; used at the end of the document.
  std::vector<std::u16string> Finish();

 private:
  void CheckSize();
  std::string path_;
  std::vector<std::u16string> lines_;
  std::u16string current_;
  size_t total_ = 0;
  bool open_ = false;
};

// Splits text at CR LF, CR or LF.
std::vector<std::u16string> SplitLines(const std::string& path, std::u16string_view text);

}  // namespace cv::documents
