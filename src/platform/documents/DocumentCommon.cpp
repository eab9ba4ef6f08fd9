#include "platform/documents/DocumentCommon.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "song/Language.h"

namespace cv::documents {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reasonDe, const std::string& reasonEn,
                         const char* adviceDe, const char* adviceEn) {
  const std::string name = std::filesystem::path(path).filename().string();
  if (CurrLanguage() == TLanguage::Deutsch)
    throw EDocumentError("Die Datei \"" + name + "\" kann nicht gelesen werden: " + reasonDe + " " + adviceDe);
  throw EDocumentError("The file \"" + name + "\" cannot be read: " + reasonEn + " " + adviceEn);
}

}  // namespace

void Fail(const std::string& path, const char* reasonDe, const char* reasonEn) {
  // What to do is the same for every damaged document: a fresh copy from its program, or text.
  Refuse(path, reasonDe, reasonEn,
         "Öffnen Sie sie in dem Programm, mit dem sie erstellt wurde, und speichern Sie sie neu, oder speichern Sie "
         "den Text als .txt-Datei.",
         "Open it in the program that made it and save it again, or save the text as a .txt file.");
}

void FailTooLarge(const std::string& path, const char* reasonDe, const char* reasonEn) {
  Refuse(path, reasonDe, reasonEn, "Der Liedtext eines Songs ist viel kürzer: Wählen Sie ihn oder teilen Sie den Text.",
         "A song's lyric text is far shorter: choose it, or split the text.");
}

std::string ReadBoundedFile(const std::string& path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec) Fail(path, "Die Datei fehlt oder ist nicht lesbar.", "the file is missing or not readable.");
  if (size > kMaxDocumentBytes)
    FailTooLarge(path, "Die Datei ist größer als 64 MiB.", "the file is larger than 64 MiB.");
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, "Die Datei lässt sich nicht öffnen.", "the file cannot be opened.");
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (static_cast<size_t>(in.gcount()) != size) Fail(path, "Lesefehler.", "read error.");
  return bytes;
}

bool HasExtension(const std::string& path, std::string_view extension) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == extension;
}

void LineCollector::CheckSize() {
  if (total_ > kMaxDocumentBytes / 2)
    FailTooLarge(path_, "Der Text ist größer als 64 MiB.", "the text expands beyond 64 MiB.");
  if (lines_.size() > kMaxDocumentLines)
    FailTooLarge(path_, "Der Text hat mehr als 100 000 Zeilen.", "the text has more than 100,000 lines.");
}

void LineCollector::Append(char16_t ch) {
  current_.push_back(ch);
  open_ = true;
  if (++total_ % 4096 == 0) CheckSize();
}

void LineCollector::Append(std::u16string_view text) {
  current_.append(text);
  open_ = true;
  total_ += text.size();
  CheckSize();
}

void LineCollector::EndLine() {
  lines_.push_back(std::move(current_));
  current_.clear();
  open_ = false;
  ++total_;
  CheckSize();
}

std::vector<std::u16string> LineCollector::Finish() {
  if (open_ && !current_.empty()) EndLine();
  return std::move(lines_);
}

std::vector<std::u16string> SplitLines(const std::string& path, std::u16string_view text) {
  LineCollector lines(path);
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.EndLine();
    } else if (c == u'\n') {
      lines.EndLine();
    } else {
      lines.Append(c);
    }
  }
  return lines.Finish();
}

}  // namespace cv::documents
