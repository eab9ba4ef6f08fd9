#include "cli/CliOutput.h"

#include <ostream>

namespace cvcli {
namespace {

// Messages made for a dialog end lines with a carriage return, which on a terminal would
// overwrite what came before; the CLI shows them as line breaks.
std::string PlainLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out += '\n';
    }
  }
  return out;
}

}  // namespace

// Invalid UTF-8 (a file name in another encoding) is replaced instead of failing the dump.
std::string DumpJson(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

void CliOutput::Result(const Json& result, TextForm text) {
  if (json_)
    out_ << DumpJson(result) << "\n";
  else
    text(result, out_);
  out_.flush();
}

void CliOutput::Warning(const std::string& message, const std::string& file) { Message("warning", message, file); }

void CliOutput::Error(const std::string& message, const std::string& file) { Message("error", message, file); }

void CliOutput::Message(const char* kind, const std::string& message, const std::string& file) {
  const std::string text = PlainLines(message);
  if (json_) {
    Json body = {{"message", text}, {"file", file.empty() ? Json() : Json(file)}};
    err_ << DumpJson(Json{{kind, body}}) << "\n";
  } else {
    // Messages of the core that already name the file are not prefixed twice.
    const bool named = file.empty() || text.rfind(file, 0) == 0 || text.find("\"" + file + "\"") != std::string::npos;
    err_ << (named ? text : file + ": " + text) << "\n";
  }
  err_.flush();
}

void WarningSink::ShowMessage(const std::string&, const std::string& text) { output_.Warning(text, file_); }

}  // namespace cvcli
