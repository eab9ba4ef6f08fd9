#include "song/LyricsExtraction.h"

#include <algorithm>
#include <initializer_list>

#include "song/Apostrophes.h"
#include "song/ChainEdit.h"
#include "song/TimeMap.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

constexpr int kLyricType = 5;
constexpr int kTextType = 1;
constexpr char16_t kCR = u'\r';

bool IsLineBreak(const THyphens& h) { return h.Text.size() == 1 && h.Text[0] == kCR; }

bool StartsWith(std::string_view s, const char* prefix) { return s.starts_with(prefix); }

// Empty once spaces and control characters are trimmed from both ends.
bool IsEmptyTrimmed(const std::u16string& s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c <= u' '; });
}

std::u16string LowerAsciiLetters(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return s;
}

bool ContainsAny(const std::u16string& lower, std::initializer_list<const char16_t*> marks) {
  for (const char16_t* mark : marks)
    if (lower.find(mark) != std::u16string::npos) return true;
  return false;
}

bool IsCopyrightLine(const std::u16string& text, const std::u16string& ownCopyright) {
  const std::u16string lower = LowerAsciiLetters(text);
  return ContainsAny(lower, {u"all rights reserved", u"copyright", u"maravelt", u"sonder-hof", u"sonderhof"}) ||
         lower.find(ownCopyright) != std::u16string::npos;
}

// A notice of rights, whatever the options say: "Copyright ...", "(c) 2001 ...", "© ...".
bool IsCopyrightNotice(const std::u16string& text) {
  return ContainsAny(LowerAsciiLetters(text), {u"copyright", u"all rights reserved", u"rights secured", u"(c)", u"\u00a9"});
}

// The walk over the source chain that turns events into elements.
class Extractor {
 public:
  Extractor(Song& song, std::vector<THyphens>& out) : song_(song), out_(out) {
    if (!song.Configuration.CopyrightString.empty())
      ownCopyright_ = LowerAsciiLetters(Utf8ToUtf16(song.Configuration.CopyrightString));
  }

  void Run() {
    const bool karaoke = song_.LyricsMetaType == kTextType;
    if (karaoke) TitleLinesOfHeaderTrack();
    TMyTrack& track = song_.MidiTrack[song_.LyricsTrack];
    PtrMidiEvent prev = track.TrkFirstEvent;
    while (prev->NextEvent && prev->NextEvent->NextEvent) {
      PtrMidiEvent cur = prev->NextEvent;
      if (IsMetaEvent(*cur, song_.LyricsMetaType) && !Process(*cur, karaoke)) {
        RemoveEventAfter(song_, track, prev, 2);
        continue;
      }
      prev = cur;
    }
  }

 private:
  // Many files keep their "@T" lines in a header track of their own and only the syllables in the
  // words track. When the words track has none, the first other track holding some gives them;
  // they become the song's title lines and leave that track like the words track's own would.
  void TitleLinesOfHeaderTrack() {
    auto isTitle = [](const TypMidiEvent& e) { return IsMetaEvent(e, kTextType) && StartsWith(e.Meta, "@T"); };
    auto hasTitle = [&](const TMyTrack& t) {
      for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent)
        if (isTitle(*e)) return true;
      return false;
    };
    if (hasTitle(song_.MidiTrack[song_.LyricsTrack])) return;
    for (size_t t = 0; t < song_.MidiTrack.size(); ++t) {
      TMyTrack& track = song_.MidiTrack[t];
      if (static_cast<int>(t) == song_.LyricsTrack || !hasTitle(track)) continue;
      for (PtrMidiEvent prev = track.TrkFirstEvent; prev->NextEvent && prev->NextEvent->NextEvent;) {
        TypMidiEvent& cur = *prev->NextEvent;
        if (!isTitle(cur)) {
          prev = prev->NextEvent;
          continue;
        }
        Process(cur, true);
        RemoveEventAfter(song_, track, prev, 2);
      }
      return;
    }
  }

  // False when the event is to be dropped from its chain.
  bool Process(TypMidiEvent& ev, bool karaoke) {
    size_t len = ev.Meta.size();
    if (karaoke && !KaraokeHeader(ev, len)) return false;
    if (len == 0) return false;
    if (song_.Configuration.XF_DeleteChordHelper && ev.Meta.size() < 7) {
      size_t at = ev.Meta.find("----");
      if (at != std::string::npos && at <= 4) return false;
    }
    MendLineFeed(ev);
    eventBytes_ = ev.Meta;

    std::u16string s = DecodeText(ev.Meta, song_.Encoding);
    while (!s.empty() && s.back() == 0) s.pop_back();
    size_t zero = s.find(char16_t(0));
    if (zero != std::u16string::npos) s.resize(zero);

    if ((!ownCopyright_.empty() && IsCopyrightLine(s, ownCopyright_)) || isBlankLine(s)) {
      if (out_.empty()) lead_ = true;
      return false;
    }
    return Elements(ev, std::move(s), karaoke);
  }

  // "@" header lines, "%" comments and the header text after "@K"; false when the event goes.
  bool KaraokeHeader(TypMidiEvent& ev, size_t& len) {
    const std::string_view m = ev.Meta;
    if (len > 0 && StartsWith(m, "%")) len = 0;
    // "@W" (the file's warning lines) is header text like "@I", never lyrics.
    if (len > 1 && (StartsWith(m, "@I") || StartsWith(m, "@W"))) len = 0;
    if (len > 1 && StartsWith(m, "@K")) {
      len = 0;
      headerText_ = true;
    }
    if (len > 1 && (StartsWith(m, "@L") || StartsWith(m, "@V"))) len = 0;
    if (headerText_ && len > 1 && !StartsWith(m, "@")) {
      if (StartsWith(m, "\\"))
        headerText_ = false;
      else
        len = 0;
    }
    // A copyright notice among the title lines names no song.
    if (len > 1 && StartsWith(m, "@T") && IsCopyrightNotice(DecodeText(m.substr(2), song_.Encoding))) len = 0;
    if (len > 1 && StartsWith(m, "@T")) {
      // "@T Title" becomes the line start "/Title".
      std::string title(m);
      title[0] = '/';
      title.erase(1, 1);
      while (title.size() >= 2 && title[1] == ' ') title.erase(1, 1);
      if (title.size() > 1) {
        ev.Meta = title;
        len = title.size();
      } else {
        len = 0;
      }
    }
    return len > 0;
  }

  static void MendLineFeed(TypMidiEvent& ev) {
    size_t lf = ev.Meta.find('\n');
    if (lf == std::string::npos) return;
    if (ev.Meta.find('\r') == std::string::npos)
      ev.Meta[lf] = '\r';
    else
      ev.Meta.erase(lf, 1);
  }

  void Append(const TypMidiEvent& ev, std::u16string text, int32_t delta = 0) {
    THyphens h;
    h.SongPosition = ev.Position + delta;
    h.Time = ev.TimePosition + delta;
    if (text != u"\r") {
      h.SourceBytes = BytesOf(text);
      if (!h.SourceBytes.empty()) h.SourceText = text;
    }
    h.Text = std::move(text);
    out_.push_back(std::move(h));
  }

  // The part of the current event's bytes that reads as this element: the whole event, or a piece
  // between its line breaks, with or without its line-start mark. Empty when none does.
  std::string BytesOf(const std::u16string& text) const {
    std::string_view m = eventBytes_;
    while (!m.empty() && m.back() == '\0') m.remove_suffix(1);
    if (DecodeText(m, song_.Encoding) == text) return std::string(m);
    for (size_t start = 0; start <= m.size();) {
      size_t end = m.find('\r', start);
      if (end == std::string_view::npos) end = m.size();
      std::string_view piece = m.substr(start, end - start);
      for (int skip = 0; skip < 2 && skip < static_cast<int>(piece.size()); ++skip)
        if (DecodeText(piece.substr(skip), song_.Encoding) == text) return std::string(piece.substr(skip));
      start = end + 1;
    }
    return {};
  }

  bool Elements(const TypMidiEvent& ev, std::u16string s, bool karaoke) {
    if (s.size() == 1 && s[0] == kCR) {
      if (lead_) {
        lead_ = false;
        return false;
      }
      Append(ev, u"\r");
      return true;
    }
    if (karaoke && s.size() > 1 && s[0] == u' ' && s[1] == u'\\') s.erase(0, 1);
    if (s[0] == u'%') return true;  // a comment: stays in the chain, gives no element
    if (s[0] == u'/' || s[0] == u'\\' || s[0] == u'<') {
      // In karaoke text a backslash starts a new page: the verse after a blank line.
      const bool page = karaoke && s[0] == u'\\';
      s.erase(0, 1);
      if (IsEmptyTrimmed(s)) {
        Append(ev, u"\r");
      } else {
        if (!out_.empty()) {
          size_t breaks = 1;
          if (page) {
            size_t have = 0;
            while (have < out_.size() && IsLineBreak(out_[out_.size() - 1 - have])) ++have;
            breaks = have >= 2 ? 0 : 2 - have;
          }
          for (size_t k = breaks; k > 0; --k) Append(ev, u"\r", -4 * static_cast<int32_t>(k));
        }
        Append(ev, std::move(s));
      }
      return true;
    }
    lead_ = false;
    if (s.find(kCR) == std::u16string::npos) {
      const size_t before = s.size();
      std::erase_if(s, [](char16_t c) { return c < 32; });
      if (s.size() != before) song_.TextChanged = true;
      if (!s.empty()) Append(ev, std::move(s));
      return true;
    }
    for (size_t cr; (cr = s.find(kCR)) != std::u16string::npos;) {
      if (cr == 0) {
        Append(ev, u"\r");
        s.erase(0, 1);
      } else if (cr + 1 < s.size()) {
        Append(ev, s.substr(0, cr));
        Append(ev, u"\r");
        s.erase(0, cr + 1);
      } else {
        s.pop_back();
        if (!isBlankLine(s)) Append(ev, s);
        Append(ev, u"\r");
        s.clear();
      }
    }
    if (!IsEmptyTrimmed(s)) Append(ev, std::move(s));
    return true;
  }

  Song& song_;
  std::vector<THyphens>& out_;
  std::u16string ownCopyright_;
  std::string_view eventBytes_;  // of the event being turned into elements
  bool lead_ = false;        // lines were dropped before the first element
  bool headerText_ = false;  // inside the header text that follows "@K"
};

struct Tally {
  int32_t lyrics = 0, text = 0;
};

Tally Count(const TMyTrack& track) {
  Tally n;
  for (PtrMidiEvent e = track.TrkFirstEvent; e && e->NextEvent; e = e->NextEvent) {
    if (e->Command != 0xFF || e->DType != DTypeMeta) continue;
    if (e->MType == kLyricType) ++n.lyrics;
    else if (e->MType == kTextType) ++n.text;
  }
  return n;
}

void ChooseSource(Song& song) {
  const int lyricsTrack = song.NumberOfSourceTracks;
  song.HyphenArrayElements = 0;
  song.LyricsMetaType = kLyricType;
  song.LyricsTrack = 0;
  // The reader gathers every lyric event of the file into the lyrics track, so the file's own
  // tracks hold none: with five or more there, they win without walking the rest of the song.
  const Tally gathered = Count(song.MidiTrack[lyricsTrack]);
  if (gathered.lyrics >= 5) {
    song.HyphenArrayElements = gathered.lyrics;
    song.LyricsTrack = lyricsTrack;
    return;
  }
  int32_t bestLyrics = 0, bestText = 0;
  int bestLyricsTrack = -1, bestTextTrack = -1;
  for (int t = 0; t <= lyricsTrack; ++t) {
    const Tally n = t == lyricsTrack ? gathered : Count(song.MidiTrack[t]);
    if (n.lyrics > bestLyrics) { bestLyrics = n.lyrics; bestLyricsTrack = t; }
    if (n.text > bestText) { bestText = n.text; bestTextTrack = t; }
  }
  if (bestLyrics >= 5) {
    song.HyphenArrayElements = bestLyrics;
    song.LyricsTrack = bestLyricsTrack;
  } else if (bestText >= 5) {
    song.HyphenArrayElements = bestText;
    song.LyricsMetaType = kTextType;
    song.LyricsTrack = bestTextTrack;
  }
}

void Tidy(std::vector<THyphens>& list, bool karaoke, bool titleLine) {
  const size_t n = list.size();
  if (karaoke) {
    // A leading space moves to the end of the syllable before; after a line break it just goes.
    for (size_t i = 2; i < n; ++i) {
      std::u16string& before = list[i - 1].Text;
      std::u16string& text = list[i].Text;
      if (before.empty() || text.empty() || text[0] != u' ' || before.back() == u' ') continue;
      if (!IsLineBreak(list[i - 1])) before.push_back(u' ');
      text.erase(0, 1);
    }
  }
  if (titleLine) list[0].SongPosition = kTitlePosition;
  for (size_t i = 1; i < n; ++i) {
    const THyphens& p = list[i - 1];
    THyphens& h = list[i];
    if (h.SongPosition == p.SongPosition) {
      h.SongPosition += 4;
    } else if (h.SongPosition < p.SongPosition + 4) {
      h.SongPosition = p.SongPosition + 4;
      h.Time = p.Time + 4;
    }
  }
  // A syllable ending its line loses its trailing spaces. All of them go, not just one, so that
  // reading a saved song again gives the same syllables.
  for (size_t j = 1; j < n; ++j) {
    std::u16string& before = list[j - 1].Text;
    if (!IsLineBreak(list[j])) continue;
    while (!before.empty() && before.back() == u' ') before.pop_back();
  }
  // A blank line between two lines sits right before the next line.
  auto moveBefore = [&](size_t which, size_t anchor, int32_t ticks) {
    list[which].SongPosition = list[anchor].SongPosition - ticks;
    list[which].Time = list[anchor].Time - ticks;
  };
  for (size_t k = 4; k < n; ++k) {
    if (!IsLineBreak(list[k - 3]) && IsLineBreak(list[k - 2]) && IsLineBreak(list[k - 1]) && !IsLineBreak(list[k]))
      moveBefore(k - 1, k, 4);
    if (!IsLineBreak(list[k - 4]) && IsLineBreak(list[k - 3]) && IsLineBreak(list[k - 2]) &&
        IsLineBreak(list[k - 1]) && !IsLineBreak(list[k])) {
      moveBefore(k - 2, k, 8);
      moveBefore(k - 1, k, 4);
    }
  }
  // "Take 5 now" -> "Take_5_now": a number between words stays on one syllable.
  for (size_t i = IsLineBreak(list[3]) ? 4 : 3; i < n; ++i) {
    std::u16string& t = list[i].Text;
    if (t.find(u' ') == std::u16string::npos) continue;
    auto nonSpace = [&](size_t k) { return t[k] != u' '; };
    auto digit = [&](size_t k, char16_t low) { return t[k] >= low && t[k] <= u'9'; };
    bool joined = false;
    for (size_t m = 0; t.size() > 4 && m + 5 <= t.size() && !joined; ++m) {
      if (nonSpace(m) && t[m + 1] == u' ' && digit(m + 2, u'1') && t[m + 3] == u' ' && nonSpace(m + 4)) {
        t[m + 1] = t[m + 3] = u'_';
        joined = true;
      }
    }
    for (size_t m = 0; t.size() >= 6 && m + 6 <= t.size() && !joined; ++m) {
      if (nonSpace(m) && t[m + 1] == u' ' && digit(m + 2, u'1') && digit(m + 3, u'0') && t[m + 4] == u' ' &&
          nonSpace(m + 5)) {
        t[m + 1] = t[m + 4] = u'_';
        joined = true;
      }
    }
  }
}

// Title and artist lines at the song start; position texts, times and apostrophes of every element.
void Finish(Song& song, std::vector<THyphens>& list) {
  const size_t n = list.size();
  if (song.TitleLine) {
    list[0].SongPosition = kTitlePosition;
    list[1].SongPosition = kTitlePosition + 4;
    if (n > 3 && IsLineBreak(list[2])) {
      list[2].SongPosition = list[3].SongPosition - 4;
    } else if (n > 4 && IsLineBreak(list[3])) {
      list[2].SongPosition = list[4].SongPosition - 8;
      list[3].SongPosition = list[4].SongPosition - 4;
    }
    // A second line of two or more elements is sung, not an artist: it keeps its ticks.
  }
  for (THyphens& h : list) {
    h.MTC = SongPositionToMTC(song, h.SongPosition);
    h.Time = song.SongPositionToTime;
    ReplaceTypographicApostrophes(h.Text);
  }
}

void EmptyList(Song& song) {
  song.HyphenArray.clear();
  song.HyphenArrayElements = 0;
  song.HyphenArrayCounter = 0;
}

}  // namespace

void ExtractLyrics(Song& song) {
  EmptyList(song);
  song.TextChanged = false;
  song.TitleLine = true;  // without lyrics the edit text's rules hold
  if (song.MidiTrack.size() < static_cast<size_t>(song.NumberOfSourceTracks) + 1) return;
  ChooseSource(song);
  if (song.HyphenArrayElements == 0) return;

  std::vector<THyphens> list;
  list.reserve(static_cast<size_t>(song.HyphenArrayElements) + 1);
  Extractor(song, list).Run();

  auto firstText = std::find_if(list.begin(), list.end(), [](const THyphens& h) { return !IsLineBreak(h); });
  list.erase(list.begin(), firstText);
  if (list.size() < 5) {
    EmptyList(song);
    return;
  }
  // A first element sung after the song's start is no name: it keeps its tick.
  song.TitleLine = DecideTitleLine(song, list);
  Tidy(list, song.LyricsMetaType == kTextType, song.TitleLine);
  Finish(song, list);

  song.HyphenArrayElements = static_cast<int32_t>(list.size());
  song.HyphenArrayCounter = song.HyphenArrayElements;
  list.emplace_back();  // the spare entry behind the valid ones
  song.HyphenArray = std::move(list);
}

bool isBlankLine(const std::u16string& text) {
  for (char16_t c : text)
    if (c != u' ') return false;
  return true;
}

}  // namespace cv
