#include "platform/textcodec/IcuTextConverter.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ucsdet.h>

#include <cstring>
#include <memory>

namespace cv {

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter c(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status)) return nullptr;
  return c;
}

// Detectors name the common subset; the superset reads the same text and every file written
// on such systems (the Korean and Chinese code pages grew beyond EUC-KR and GB2312).
std::string Superset(const std::string& name) {
  if (name == "EUC-KR") return "windows-949";
  if (name == "GB2312") return "GB18030";
  return name;
}

}  // namespace

std::string IcuTextConverter::CanonicalName(std::string_view name) const {
  const std::string n(name);
  UErrorCode status = U_ZERO_ERROR;
  const char* internal = ucnv_getAlias(n.c_str(), 0, &status);
  if (U_FAILURE(status) || !internal) return {};
  // ICU's own names are its tables' ("ibm-5346_P100-1998"): the common ones get the name users know.
  static const char* const kKnown[] = {
      "UTF-8",        "windows-1250", "windows-1251", "windows-1252", "windows-1253", "windows-1254",
      "windows-1255", "windows-1256", "windows-1257", "windows-1258", "GBK",          "GB18030",
      "Big5",         "Shift_JIS",    "EUC-JP",       "EUC-KR",       "windows-949",  "KOI8-R",
      "KOI8-U",       "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-3",   "ISO-8859-4",   "ISO-8859-5",
      "ISO-8859-7",   "ISO-8859-9",   "ISO-8859-13",  "ISO-8859-15",  "ISO-8859-16",  "TIS-620"};
  for (const char* known : kKnown) {
    status = U_ZERO_ERROR;
    const char* k = ucnv_getAlias(known, 0, &status);
    if (U_SUCCESS(status) && k && std::strcmp(k, internal) == 0) return known;
  }
  return n;
}

std::vector<TextConverter::Guess> IcuTextConverter::Detect(std::string_view allText) const {
  UErrorCode status = U_ZERO_ERROR;
  UCharsetDetector* detector = ucsdet_open(&status);
  if (U_FAILURE(status)) return {};
  std::vector<Guess> guesses;
  ucsdet_setText(detector, allText.data(), static_cast<int32_t>(allText.size()), &status);
  int32_t count = 0;
  const UCharsetMatch** matches = ucsdet_detectAll(detector, &count, &status);
  for (int32_t i = 0; U_SUCCESS(status) && matches && i < count; ++i) {
    const char* n = ucsdet_getName(matches[i], &status);
    const int32_t confidence = ucsdet_getConfidence(matches[i], &status);
    if (U_SUCCESS(status) && n) guesses.push_back({Superset(n), confidence});
  }
  ucsdet_close(detector);
  return guesses;
}

std::u16string IcuTextConverter::Decode(std::string_view bytes, const std::string& encoding) const {
  Converter c = Open(encoding);
  if (!c) return std::u16string(bytes.size(), u'\uFFFD');
  if (bytes.empty()) return {};
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
  std::u16string out(bytes.size() + 4, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(c.get(), out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                    static_cast<int32_t>(bytes.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(static_cast<size_t>(n) + 1);
      continue;
    }
    if (U_FAILURE(status)) break;
    out.resize(static_cast<size_t>(n));
    return out;
  }
  return std::u16string(bytes.size(), u'\uFFFD');
}

std::optional<std::string> IcuTextConverter::Encode(std::u16string_view text, const std::string& encoding) const {
  Converter c = Open(encoding);
  if (!c) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  // A character without a code fails the conversion instead of turning into a substitute.
  ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (text.empty()) return std::string();
  std::string out(static_cast<size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(c.get()))),
                  '\0');
  status = U_ZERO_ERROR;
  const int32_t n = ucnv_fromUChars(c.get(), out.data(), static_cast<int32_t>(out.size()), text.data(),
                                    static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<size_t>(n));
  return out;
}

void InstallIcuTextConverter() {
  static const IcuTextConverter converter;
  if (!InstalledTextConverter()) SetTextConverter(&converter);
}

}  // namespace cv
