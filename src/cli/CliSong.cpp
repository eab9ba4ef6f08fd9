#include "cli/CliSong.h"

#include <cstdio>

#include "song/Language.h"
#include "song/TextCodec.h"

namespace cvcli {

const char* const kSongOptionsUsage = "[--encoding utf8|cp1252] [--remove-prompta]";

SongOptions TakeSongOptions(std::vector<std::string>& args) {
  SongOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    bool isEncoding = false;
    if (a == "--encoding") {
      if (i + 1 >= args.size()) throw CliUsageError{"--encoding: utf8 | cp1252"};
      value = args[++i];
      isEncoding = true;
    } else if (a.rfind("--encoding=", 0) == 0) {
      value = a.substr(11);
      isEncoding = true;
    }
    if (isEncoding) {
      if (value == "utf8" || value == "utf-8")
        options.encoding = cv::TextEncoding::Utf8;
      else if (value == "cp1252" || value == "windows-1252")
        options.encoding = cv::TextEncoding::Windows1252;
      else
        throw CliUsageError{"--encoding: utf8 | cp1252"};
    } else if (a == "--remove-prompta") {
      options.removePrompta = true;
    } else {
      rest.push_back(a);
    }
  }
  args = rest;
  return options;
}

std::string TakeSongPath(std::vector<std::string>& args) {
  if (args.empty()) throw CliUsageError{cv::Tr("Keine Datei angegeben.", "No song file given.")};
  if (args.size() > 1 || args[0].rfind("--", 0) == 0)
    throw CliUsageError{cv::Tr("Unbekanntes Argument: ", "Unknown argument: ") + (args.size() > 1 ? args[1] : args[0])};
  std::string path = args[0];
  args.clear();
  return path;
}

void CliUi::Report(const cv::TUserMessage& message) {
  if (message.Severity == cv::TSeverity::Error) failed_ = true;
  // The core's texts break lines the Windows way; a terminal wants one line end each.
  std::string text;
  for (size_t i = 0; i < message.Text.size(); ++i) {
    const char c = message.Text[i];
    if (c == '\r' && i + 1 < message.Text.size() && message.Text[i + 1] == '\n') continue;
    text += c == '\r' ? '\n' : c;
  }
  const std::string& prefix = message.File.empty() ? message.Caption : message.File;
  if (!prefix.empty()) err_ << prefix << ": ";
  err_ << text << "\n";
}

bool CliSession::Open(const std::string& path, const SongOptions& options) {
  ui.SetAnswer(options.removePrompta);
  cv::TSessionOpenOptions open;
  open.ForceEncoding = options.encoding;
  open.EditWithoutLyrics = false;
  const bool opened = session.Open(path, open);
  // The command line states the layout rules and its deletions in its usage: asked later, yes.
  ui.SetAnswer(true);
  return opened;
}

std::string JsonString(std::string_view utf8) { return JsonString(cv::Utf8ToUtf16(utf8)); }

std::string JsonString(std::u16string_view text) {
  std::string plain = cv::Utf16ToUtf8(text);
  std::string out = "\"";
  for (unsigned char c : plain) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string EventText(const cv::Song& song, const std::string& bytes) {
  return cv::Utf16ToUtf8(cv::DecodeText(bytes, song.Encoding));
}

namespace {
// Line breaks and other control characters made visible on one line.
std::string Visible(const std::u16string& text) {
  std::string out;
  size_t plain = 0;  // start of the run of ordinary characters, converted as one (surrogate pairs)
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] >= 0x20) continue;
    out += cv::Utf16ToUtf8(std::u16string_view(text).substr(plain, i - plain));
    plain = i + 1;
    if (i == text.size()) break;
    const char16_t c = text[i];
    if (c == u'\r')
      out += "\\r";
    else if (c == u'\n')
      out += "\\n";
    else
      out += "^" + std::string(1, static_cast<char>('@' + c));
  }
  return out;
}
}  // namespace

void PrintSyllables(const cv::Song& song, const CliContext& ctx) {
  std::ostream& out = *ctx.out;
  const int n = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  if (ctx.json) {
    out << "{\"syllables\": [";
    for (int i = 0; i < n; ++i) {
      const cv::THyphens& h = song.HyphenArray[i];
      out << (i ? ",\n  " : "\n  ") << "{\"Text\": " << JsonString(h.Text) << ", \"SongPosition\": " << h.SongPosition
          << ", \"Time\": " << h.Time << ", \"MTC\": " << JsonString(h.MTC) << "}";
    }
    out << (n ? "\n]}\n" : "]}\n");
    return;
  }
  if (n == 0) {
    out << cv::Tr("Keine Liedtexte.", "No lyrics.") << "\n";
    return;
  }
  char buf[96];
  out << cv::Tr("    #  Position          Tick        ms  Text\n", "    #  Position          Tick        ms  Text\n");
  for (int i = 0; i < n; ++i) {
    const cv::THyphens& h = song.HyphenArray[i];
    std::snprintf(buf, sizeof buf, "%5d  %-12s %9d %9d  ", i, cv::Utf16ToUtf8(h.MTC).c_str(), h.SongPosition, h.Time);
    out << buf << Visible(h.Text) << "\n";
  }
}

}  // namespace cvcli
