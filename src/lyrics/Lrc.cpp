#include "lyrics/Lrc.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "lyrics/EditText.h"
#include "song/SyllableTimes.h"
#include "song/Language.h"
#include "song/SongErrors.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

constexpr size_t kMaxLrcBytes = 4u << 20;  // far beyond any song's lyrics

std::string Stamp(int32_t ms) {
  const int64_t cs = (std::max<int64_t>(ms, 0) + 5) / 10;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld.%02lld", static_cast<long long>(cs / 6000),
                static_cast<long long>(cs / 100 % 60), static_cast<long long>(cs % 100));
  return buf;
}

bool IsBreak(const THyphens& h) { return h.Text == u"\r"; }

// Text without line breaks or LRC brackets, which would be read as stamps.
std::string Plain(const std::u16string& text) {
  std::u16string t;
  for (char16_t c : text)
    if (c >= u' ' && c != u'<' && c != u'>' && c != u'[' && c != u']') t.push_back(c);
  return Utf16ToUtf8(t);
}

struct Word {
  std::u16string Text;
  std::optional<int64_t> Ms;
};

struct Line {
  int64_t Ms = 0;
  std::vector<Word> Words;
};

std::string LineError(int line, const std::string& de, const std::string& en) {
  return Tr("LRC-Datei, Zeile " + std::to_string(line) + ": " + de +
                " Berichtigen Sie die Zeile in einem Texteditor und laden Sie die Datei noch einmal.",
            "LRC file, line " + std::to_string(line) + ": " + en +
                " Correct the line in a text editor and load the file again.");
}

std::string TooBig(const std::string& fileName) {
  return Tr("Die Datei \"" + fileName + "\" ist zu groß für eine LRC-Datei. Die LRC-Datei eines Songs ist viel "
            "kleiner: Wählen Sie die des Songs.",
            "The file \"" + fileName + "\" is too big for an LRC file. A song's LRC file is far smaller: choose the "
            "song's own.");
}

// "mm:ss", "mm:ss.x", "mm:ss.xx", "mm:ss.xxx" (also "mm:ss:xx") in ms; none when it is not one.
std::optional<int64_t> ParseStamp(std::u16string_view s) {
  size_t colon = s.find(u':');
  if (colon == 0 || colon == std::u16string_view::npos || colon > 4) return std::nullopt;
  int64_t minutes = 0, seconds = 0, fraction = 0, scale = 1;
  for (size_t i = 0; i < colon; ++i) {
    if (s[i] < u'0' || s[i] > u'9') return std::nullopt;
    minutes = minutes * 10 + (s[i] - u'0');
  }
  size_t i = colon + 1, digits = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) seconds = seconds * 10 + (s[i] - u'0');
  if (digits == 0 || digits > 2 || seconds > 59) return std::nullopt;
  if (i < s.size()) {
    if (s[i] != u'.' && s[i] != u':') return std::nullopt;
    size_t f = 0;
    for (++i; i < s.size(); ++i, ++f) {
      if (s[i] < u'0' || s[i] > u'9' || f >= 3) return std::nullopt;
      fraction = fraction * 10 + (s[i] - u'0');
      scale *= 10;
    }
    if (f == 0) return std::nullopt;
  }
  return (minutes * 60 + seconds) * 1000 + fraction * 1000 / scale;
}

struct Parsed {
  std::string Error;
  std::u16string Title, Artist;
  int64_t Offset = 0;
  std::vector<Line> Lines;
};

Parsed Parse(std::u16string_view text) {
  Parsed p;
  int lineNo = 0;
  int64_t last = -1;
  bool anyStamp = false;
  for (size_t start = 0; start <= text.size() && p.Error.empty();) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view raw = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    // Spaces at the line end belong to its last syllable; only an empty line is skipped.
    while (!raw.empty() && raw.back() == u'\r') raw.remove_suffix(1);
    while (!raw.empty() && (raw.front() == u' ' || raw.front() == u'\t' || raw.front() == 0xFEFF)) raw.remove_prefix(1);
    if (raw.find_first_not_of(u" \t") == std::u16string_view::npos) {
      if (end == text.size()) break;
      continue;
    }
    if (raw.front() != u'[') {
      p.Error = LineError(lineNo, "keine Zeitmarke [mm:ss.xx] am Zeilenanfang.", "no time stamp [mm:ss.xx] at the line start.");
      break;
    }
    size_t close = raw.find(u']');
    if (close == std::u16string_view::npos) {
      p.Error = LineError(lineNo, "\"]\" fehlt.", "\"]\" is missing.");
      break;
    }
    std::u16string_view tag = raw.substr(1, close - 1);
    std::optional<int64_t> ms = ParseStamp(tag);
    if (!ms) {
      // An ID tag: [ti:...], [ar:...], [offset:...]; a tag-like stamp that is none is an error.
      const size_t colon = tag.find(u':');
      const std::u16string_view key = tag.substr(0, colon);
      const bool letters = colon != std::u16string_view::npos && !key.empty() &&
                           std::all_of(key.begin(), key.end(), [](char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; });
      if (!letters || close + 1 != raw.size()) {
        p.Error = LineError(lineNo, "ungültige Zeitmarke \"[" + Utf16ToUtf8(tag) + "]\".",
                            "invalid time stamp \"[" + Utf16ToUtf8(tag) + "]\".");
        break;
      }
      std::u16string value(tag.substr(colon + 1));
      while (!value.empty() && value.front() == u' ') value.erase(0, 1);
      std::u16string lower(key);
      for (char16_t& c : lower) c = static_cast<char16_t>(c | 0x20);
      if (lower == u"ti") p.Title = value;
      if (lower == u"ar") p.Artist = value;
      if (lower == u"offset") {
        // Milliseconds, a positive offset showing the lyrics earlier; a day either way at most.
        constexpr int64_t kMaxOffsetMs = 24LL * 60 * 60 * 1000;
        std::string v = Utf16ToUtf8(value);
        while (!v.empty() && v.back() == ' ') v.pop_back();
        const char* first = v.data() + (!v.empty() && v[0] == '+');
        int64_t offset = 0;
        const auto [end, error] = std::from_chars(first, v.data() + v.size(), offset);
        if (error == std::errc() && end == v.data() + v.size() && first != end && offset >= -kMaxOffsetMs &&
            offset <= kMaxOffsetMs) {
          p.Offset = offset;
        } else {
          p.Error = LineError(lineNo, "Der Versatz [offset:" + v + "] liegt außerhalb von ±86 400 000 ms (einem Tag).",
                              "the offset [offset:" + v + "] is out of range (±86,400,000 ms, one day).");
          break;
        }
      }
      continue;
    }
    if (*ms < last) {
      p.Error = LineError(lineNo, "die Zeitmarke geht zurück.", "the time stamp goes back.");
      break;
    }
    last = *ms;
    anyStamp = true;
    Line line;
    line.Ms = *ms;
    std::u16string_view rest = raw.substr(close + 1);
    // Words: "<mm:ss.xx>text" segments; text without a stamp splits at spaces (each keeps its space).
    std::optional<int64_t> pending;
    auto addText = [&](std::u16string_view t) {
      for (size_t i = 0; i < t.size();) {
        size_t sp = t.find(u' ', i);
        size_t stop = sp == std::u16string_view::npos ? t.size() : t.find_first_not_of(u' ', sp);
        if (stop == std::u16string_view::npos) stop = t.size();
        std::u16string_view w = t.substr(i, stop - i);
        if (w.find_first_not_of(u' ') != std::u16string_view::npos) {
          line.Words.push_back({std::u16string(w), pending});
          pending.reset();
        } else if (!line.Words.empty()) {
          line.Words.back().Text += w;
        }
        i = stop;
      }
    };
    while (!rest.empty()) {
      size_t lt = rest.find(u'<');
      addText(rest.substr(0, lt));
      if (lt == std::u16string_view::npos) break;
      size_t gt = rest.find(u'>', lt);
      std::optional<int64_t> w = gt == std::u16string_view::npos ? std::nullopt : ParseStamp(rest.substr(lt + 1, gt - lt - 1));
      if (!w) {
        p.Error = LineError(lineNo, "ungültige Wortmarke.", "invalid word stamp.");
        break;
      }
      if (*w < last) {
        p.Error = LineError(lineNo, "die Zeitmarke geht zurück.", "the time stamp goes back.");
        break;
      }
      last = *w;
      pending = *w;
      rest = rest.substr(gt + 1);
    }
    if (!line.Words.empty()) p.Lines.push_back(std::move(line));
  }
  if (p.Error.empty() && !anyStamp)
    p.Error = Tr("Die LRC-Datei enthält keine Zeitmarken. Jede Zeile beginnt mit einer Zeitmarke [mm:ss.xx]: "
                 "Ergänzen Sie sie, oder laden Sie den Text als .txt-Datei.",
                 "The LRC file holds no time stamps. Every line begins with a time stamp [mm:ss.xx]: add them, or "
                 "load the text as a .txt file.");
  else if (p.Error.empty() && p.Lines.empty())
    p.Error = Tr("Die LRC-Datei enthält keinen Liedtext. Schreiben Sie den Text hinter die Zeitmarken.",
                 "The LRC file holds no lyrics. Write the lyrics after the time stamps.");
  return p;
}

THyphens Element(std::u16string text, int64_t position) {
  THyphens h;
  h.Text = std::move(text);
  h.SongPosition = static_cast<int32_t>(std::clamp<int64_t>(position, 0, INT32_MAX));
  return h;
}

}  // namespace

bool IsLrcFileName(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".lrc";
}

std::string LrcFileContent(const Song& song) {
  const int n = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  const std::vector<THyphens>& h = song.HyphenArray;
  std::string out;
  // The title lines as the song has them: its name, and an artist only when it has one.
  const int header = HeaderElementCount(song);
  if (header > 0) {
    out += "[ti:" + Plain(h[0].Text) + "]\n";
    if (header >= 4 && !IsBreak(h[2])) out += "[ar:" + Plain(h[2].Text) + "]\n";
  }
  int i = header;
  std::string line;
  for (; i <= n; ++i) {
    if (i == n || IsBreak(h[i])) {
      if (!line.empty()) out += line + "\n";
      line.clear();
      continue;
    }
    if (h[i].Text.empty()) continue;
    if (line.empty()) line = "[" + Stamp(h[i].Time) + "]";
    line += "<" + Stamp(h[i].Time) + ">" + Plain(h[i].Text);
  }
  return out;
}

TLrcImport ImportLrc(Song& song, std::string_view bytes, const std::string& fileName, const TLrcHyphenate& hyphenate) {
  TLrcImport result;
  if (bytes.size() > kMaxLrcBytes) {
    result.Message = TooBig(fileName);
    return result;
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const std::u16string text = IsValidUtf8(bytes) ? Utf8ToUtf16(bytes) : DecodeWindows1252(bytes);
  Parsed p = Parse(text);
  if (!p.Error.empty()) {
    result.Message = fileName + ": " + p.Error;
    return result;
  }
  std::vector<THyphens> list;
  // [ti:] and [ar:] become the title lines; without them the lyrics start right away.
  const bool header = !p.Title.empty() || !p.Artist.empty();
  if (header) {
    list.push_back(Element(p.Title, 108));
    list.push_back(Element(u"\r", 112));
    if (!p.Artist.empty()) {
      list.push_back(Element(p.Artist, 116));
      list.push_back(Element(u"\r", 120));
    }
  }
  auto at = [&](int64_t ms) { return TimeToPosition(song, std::max<int64_t>(ms - p.Offset, 0)); };
  for (size_t l = 0; l < p.Lines.size(); ++l) {
    Line& line = p.Lines[l];
    const int64_t lineEnd = l + 1 < p.Lines.size() ? p.Lines[l + 1].Ms
                                                   : std::max<int64_t>(song.SongLength, line.Ms + 500 * int64_t(line.Words.size()));
    if (!line.Words[0].Ms) line.Words[0].Ms = line.Ms;
    // Syllables of each word (hyphenated when asked), and which of them carry their own time.
    struct Syl {
      std::u16string Text;
      std::optional<int64_t> Ms;
    };
    std::vector<Syl> syls;
    for (const Word& w : line.Words) {
      std::u16string parts = hyphenate ? hyphenate(w.Text) : w.Text;
      bool first = true;
      for (size_t s = 0; s <= parts.size();) {
        size_t dash = hyphenate ? parts.find(u'-', s) : std::u16string::npos;
        // A dash of the word itself ("-" alone or at the ends) is text, not a break.
        if (dash == 0 || (dash != std::u16string::npos && dash + 1 >= parts.size())) dash = std::u16string::npos;
        std::u16string piece = parts.substr(s, dash == std::u16string::npos ? std::u16string::npos : dash - s);
        syls.push_back({piece, first ? w.Ms : std::nullopt});
        first = false;
        if (dash == std::u16string::npos) break;
        s = dash + 1;
      }
    }
    // Unstamped syllables share the time from the last stamp to the next one evenly.
    for (size_t s = 0; s < syls.size();) {
      size_t next = s + 1;
      while (next < syls.size() && !syls[next].Ms) ++next;
      const int64_t from = *syls[s].Ms, to = next < syls.size() ? *syls[next].Ms : std::max(lineEnd, from);
      const int64_t count = static_cast<int64_t>(next - s);
      for (size_t k = s + 1; k < next; ++k) syls[k].Ms = from + (to - from) * static_cast<int64_t>(k - s) / count;
      s = next;
    }
    for (const Syl& s : syls) list.push_back(Element(s.Text, at(*s.Ms)));
    list.push_back(Element(u"\r", list.back().SongPosition));
    result.Syllables += static_cast<int>(syls.size());
  }
  PlaceTitleLines(list, static_cast<int32_t>(list.size()), header);
  MakeNonDecreasing(list);
  song.TitleLine = header;
  CommitSyllables(song, std::move(list));
  result.Ok = true;
  return result;
}

TLrcImport ImportLrcFile(Song& song, const std::string& path, const TLrcHyphenate& hyphenate) {
  TLrcImport result;
  std::error_code ec;
  const bool plain = std::filesystem::is_regular_file(path, ec);
  const auto size = plain ? std::filesystem::file_size(path, ec) : 0;
  std::ifstream in(path, std::ios::binary);
  if (!plain || ec || !in) {
    result.Message = CannotReadFile(path, "LRC-Datei", "an LRC file", "Wählen Sie eine .lrc-Datei.", "Choose an .lrc file.");
    return result;
  }
  if (size > kMaxLrcBytes) {
    result.Message = TooBig(path);
    return result;
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return ImportLrc(song, bytes, path, hyphenate);
}

}  // namespace cv
