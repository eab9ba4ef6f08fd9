#include "platform/documents/ZipXml.h"

#include <zip.h>

#include <memory>

#include "platform/documents/DocumentCommon.h"

namespace cv::documents {

std::string ReadZipMember(const std::string& path, const char* member) {
  int error = 0;
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(path.c_str(), ZIP_RDONLY, &error), zip_discard);
  if (!archive) Fail(path, "Die Datei ist kein gültiges Dokument (ZIP-Paket beschädigt).",
                     "the file is not a valid document (damaged zip package).");
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(archive.get(), member, 0, &st) != 0)
    Fail(path, "Dem Dokument fehlt der Textteil.", "the document has no text part.");
  if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxDocumentBytes)
    FailTooLarge(path, "Der Text ist größer als 64 MiB.", "the text expands beyond 64 MiB.");
  std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen(archive.get(), member, 0), zip_fclose);
  if (!file) Fail(path, "Der Textteil lässt sich nicht entpacken.", "the text part cannot be unpacked.");
  std::string out;
  char buffer[65536];
  for (;;) {
    zip_int64_t n = zip_fread(file.get(), buffer, sizeof buffer);
    if (n < 0) Fail(path, "Der Textteil ist beschädigt.", "the text part is damaged.");
    if (n == 0) break;
    // The stored size may lie: count what really comes out.
    if (out.size() + static_cast<size_t>(n) > kMaxDocumentBytes)
      FailTooLarge(path, "Der Text ist größer als 64 MiB.", "the text expands beyond 64 MiB.");
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace cv::documents
