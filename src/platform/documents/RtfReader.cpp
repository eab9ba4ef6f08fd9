// RTF to plain text lines: groups, control words, paragraphs and line breaks, tabs, hex and Unicode
// characters; destinations that hold no body text are skipped.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>
#include <unordered_set>

#include "platform/documents/DocumentCommon.h"
#include "platform/documents/DocumentReaders.h"
#include "song/TextCodec.h"

namespace cv {

namespace {

const std::unordered_set<std::string_view>& SkippedDestinations() {
  static const std::unordered_set<std::string_view> names = {
      "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
      "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "fldinst", "themedata",
      "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "listtable", "listoverridetable",
      "rsidtbl", "generator", "mmathPr", "pgdsctbl", "revtbl", "filetbl", "bkmkstart", "bkmkend", "xe",
      "tc", "annotation", "atnid", "atnauthor", "atrfstart", "atrfend", "private", "userprops",
      "docvar", "wgrffmtfilter", "listtext", "pntext", "pntxta", "pntxtb", "shppict", "nonshppict",
      "blipuid", "template", "xmlopen", "fchars", "lchars", "operator", "author", "title", "subject",
      "keywords", "comment", "doccomm", "company", "category", "background", "shp", "sp", "sn", "sv"};
  return names;
}

struct GroupState {
  bool skip = false;
  int unicodeSkip = 1;  // \ucN: fallback characters after \u
};

class RtfParser {
 public:
  RtfParser(const std::string& path, std::string_view rtf) : path_(path), rtf_(rtf), lines_(path) {}

  std::vector<std::u16string> Parse() {
    if (rtf_.substr(0, 5) != "{\\rtf")
      documents::Fail(path_, "Das ist keine RTF-Datei.", "this is not an RTF file.");
    std::vector<GroupState> stack;
    GroupState state;
    size_t pendingSkip = 0;  // fallback bytes still to drop after \u
    while (pos_ < rtf_.size()) {
      char c = rtf_[pos_];
      if (c == '{') {
        if (stack.size() > 10000) documents::Fail(path_, "Zu tief verschachtelt.", "groups nested too deeply.");
        stack.push_back(state);
        ++pos_;
        pendingSkip = 0;
        if (rtf_.substr(pos_, 2) == "\\*") {  // unknown destinations are ignorable
          state.skip = true;
          pos_ += 2;
        }
      } else if (c == '}') {
        if (stack.empty()) break;  // end of the document
        state = stack.back();
        stack.pop_back();
        ++pos_;
        pendingSkip = 0;
      } else if (c == '\\') {
        ControlWord(state, pendingSkip);
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        ++pos_;
        if (pendingSkip > 0) { --pendingSkip; continue; }
        if (!state.skip) Emit(DecodeWindows1252(std::string_view(&c, 1))[0]);
      }
    }
    return lines_.Finish();
  }

 private:
  void Emit(char16_t ch) {
    if (ch == u'\n') lines_.EndLine();
    else lines_.Append(ch);
  }

  void ControlWord(GroupState& state, size_t& pendingSkip) {
    ++pos_;  // backslash
    if (pos_ >= rtf_.size()) return;
    char c = rtf_[pos_];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++pos_;
      char16_t ch = 0;
      switch (c) {
        case '\\': case '{': case '}': ch = static_cast<char16_t>(c); break;
        case '~': ch = 0x00A0; break;
        case '_': ch = u'-'; break;
        case '\r': case '\n': ch = u'\n'; break;  // same as \par
        case '\'': {
          if (pos_ + 2 > rtf_.size()) return;
          char hex[3] = {rtf_[pos_], rtf_[pos_ + 1], 0};
          pos_ += 2;
          char* end = nullptr;
          long v = std::strtol(hex, &end, 16);
          if (end != hex + 2) return;
          if (pendingSkip > 0) { --pendingSkip; return; }
          char byte = static_cast<char>(v);
          ch = DecodeWindows1252(std::string_view(&byte, 1))[0];
          break;
        }
        default: return;  // \- optional hyphen, \* handled at group start, others ignored
      }
      if (!state.skip) Emit(ch);
      return;
    }
    size_t start = pos_;
    while (pos_ < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[pos_])) && pos_ - start < 32) ++pos_;
    std::string_view word = rtf_.substr(start, pos_ - start);
    bool hasParam = false;
    long param = 0;
    size_t numStart = pos_;
    if (pos_ < rtf_.size() && (rtf_[pos_] == '-' || std::isdigit(static_cast<unsigned char>(rtf_[pos_])))) {
      ++pos_;
      while (pos_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[pos_])) && pos_ - numStart < 11) ++pos_;
      param = std::strtol(std::string(rtf_.substr(numStart, pos_ - numStart)).c_str(), nullptr, 10);
      hasParam = pos_ - numStart > (rtf_[numStart] == '-' ? 1u : 0u);
    }
    if (pos_ < rtf_.size() && rtf_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word

    if (word == "bin") {  // binary data: skip its bytes
      size_t n = hasParam && param > 0 ? static_cast<size_t>(param) : 0;
      pos_ = n > rtf_.size() - pos_ ? rtf_.size() : pos_ + n;
      return;
    }
    if (SkippedDestinations().count(word)) { state.skip = true; return; }
    if (word == "uc" && hasParam) { state.unicodeSkip = static_cast<int>(std::max(0L, std::min(param, 16L))); return; }
    if (word == "u" && hasParam) {
      if (!state.skip) Emit(static_cast<char16_t>(static_cast<int16_t>(param)));
      pendingSkip = static_cast<size_t>(state.unicodeSkip);
      return;
    }
    if (state.skip) return;
    if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") Emit(u'\n');
    else if (word == "tab" || word == "cell") Emit(u'\t');
    else if (word == "emdash") Emit(0x2014);
    else if (word == "endash") Emit(0x2013);
    else if (word == "lquote") Emit(0x2018);
    else if (word == "rquote") Emit(0x2019);
    else if (word == "ldblquote") Emit(0x201C);
    else if (word == "rdblquote") Emit(0x201D);
    else if (word == "bullet") Emit(0x2022);
    else if (word == "emspace" || word == "enspace" || word == "qmspace") Emit(u' ');
  }

  const std::string& path_;
  std::string_view rtf_;
  size_t pos_ = 0;
  documents::LineCollector lines_;
};

class RtfReader : public DocumentReader {
 public:
  std::string NameFilter() const override { return "RTF (*.rtf)"; }
  bool SupportsFile(const std::string& path) const override { return documents::HasExtension(path, ".rtf"); }
  std::vector<std::u16string> ReadLines(const std::string& path) const override {
    std::string bytes = documents::ReadBoundedFile(path);
    return RtfParser(path, bytes).Parse();
  }
};

}  // namespace

std::unique_ptr<DocumentReader> MakeRtfReader() { return std::make_unique<RtfReader>(); }

}  // namespace cv
