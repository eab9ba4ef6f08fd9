#include "lyrics/MtcText.h"

#include <algorithm>
#include <limits>

#include "lyrics/InsertLyrics.h"
#include "lyrics/PositionTexts.h"
#include "lyrics/UnicodeText.h"
#include "song/Apostrophes.h"
#include "song/Language.h"
#include "song/LyricsExtraction.h"
#include "song/TitleLines.h"
#include "song/TextCodec.h"

namespace cv {
namespace {

int TickDigits(const Song& song) {
  int base = song.SourceTimeBase;
  return base >= 10000 ? 5 : base >= 1000 ? 4 : base >= 100 ? 3 : base >= 10 ? 2 : 1;
}

int64_t Pow10(int n) {
  int64_t v = 1;
  while (n-- > 0) v *= 10;
  return v;
}

std::u16string Field(Song& song, int32_t position, int width) {
  std::u16string text = PositionText(song, position);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), u'0');
  return text;
}

std::u16string SyllablePart(const THyphens& h) {
  if (IsLineBreak(h)) return std::u16string(kNewLineMarker);
  std::u16string s = h.Text;
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if (s[i] == u' ') s[i] = u'_';
  for (char16_t& c : s)
    if (c == u'-') c = u'~';
  if (s.empty() || s.back() != u' ') s.push_back(u'-');
  return s;
}

bool HasMarker(std::u16string_view part) { return part.find(kNewLineMarker) != std::u16string_view::npos; }

// The last syllable of a lyric line carries no continuation mark.
void DropMarksBeforeLineBreaks(std::vector<std::u16string>& lines, int width) {
  for (size_t i = 1; i < lines.size(); ++i) {
    std::u16string_view line = lines[i];
    if (line.size() > static_cast<size_t>(width) + 1 && HasMarker(line.substr(width + 1)) &&
        !lines[i - 1].empty() && lines[i - 1].back() == u'-')
      lines[i - 1].pop_back();
  }
}

std::u16string PartOf(const std::u16string& line, int width) {
  return line.size() > static_cast<size_t>(width) + 1 ? line.substr(width + 1) : std::u16string();
}

bool AllDigits(std::u16string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

int64_t Number(std::u16string_view s) {
  int64_t v = 0;
  for (char16_t c : s) v = v * 10 + (c - u'0');
  return v;
}

// Tick position of a position field, or -1 when the field fails the check.
int64_t ReadPositionField(const Song& song, std::u16string_view f, int width) {
  const int d = TickDigits(song);
  const int m = width - d - 4;
  if (static_cast<int>(f.size()) != width || m < 1 || f[m] != u'.' || f[m + 3] != u'.') return -1;
  std::u16string_view ms = f.substr(0, m), bs = f.substr(m + 1, 2), ts = f.substr(m + 4);
  if (!AllDigits(ms) || !AllDigits(bs) || !AllDigits(ts)) return -1;
  const int64_t M = Number(ms), B = Number(bs), T = Number(ts);
  const int64_t v = (M * 100 + B) * Pow10(d) + T;
  if (v == 0) return -1;

  TTimeZone zone;
  const int zones = std::min<int>(song.TimeZoneElements, static_cast<int>(song.TimeZone.size()));
  auto key = [&](const TTimeZone& z) { return (int64_t{z.Measure} * 100 + z.Beat) * Pow10(d) + z.Ticks; };
  for (int i = 0; i < zones; ++i) {
    if (i == zones - 1 || (key(song.TimeZone[i]) <= v && v < key(song.TimeZone[i + 1]))) {
      zone = song.TimeZone[i];
      break;
    }
  }
  if (zone.TS_Denominator == 0 || song.SourceTimeBase == 0) return -1;
  const int64_t beats = (M - zone.Measure) * zone.TS_Numerator + B - zone.Beat;
  const int64_t pos =
      beats * 4 * song.SourceTimeBase / zone.TS_Denominator + zone.SongPosition + T - zone.Ticks;
  if (pos < 0 || pos > std::numeric_limits<int32_t>::max()) return -1;
  return pos;
}

// A song without title lines shows blank name and artist lines, so that its first sung lines
// stay lyrics; a name typed there makes title lines.
void AddBlankTitleLines(Song& song, std::vector<std::u16string>& lines, int width) {
  if (song.TitleLine || lines.empty()) return;
  const std::u16string blank = Field(song, 0, width) + u" ";
  lines.insert(lines.begin(), {blank, blank});
}

// Reads the title lines back: blank ones are none; a name or artist typed into them becomes a
// title line followed by its line break. Returns whether the song now has title lines.
bool TakeTitleLines(const Song& song, std::vector<std::u16string>& lines, int width) {
  if (song.TitleLine) return true;
  if (lines.size() < 2) return false;
  std::vector<std::u16string> header;
  const std::u16string marker = std::u16string(kNewLineMarker);
  for (int i = 0; i < 2; ++i) {
    if (isBlankLine(PartOf(lines[i], width))) continue;
    header.push_back(lines[i]);
    header.push_back(lines[i].substr(0, width) + u" " + marker);
  }
  // A name without an artist: a blank artist line, so that the first sung line stays lyrics.
  if (header.size() == 2) header.push_back(header[1]);
  lines.erase(lines.begin(), lines.begin() + 2);
  lines.insert(lines.begin(), header.begin(), header.end());
  return !header.empty();
}

// A line of the position text: a valid position field, then a space before the syllable.
bool PositionLineReadable(const Song& song, std::u16string_view line, int width) {
  return ReadPositionField(song, line.substr(0, width), width) >= 0 &&
         (line.size() <= static_cast<size_t>(width) || line[width] == u' ');
}

std::string BadPositionMessage(int line, const std::u16string& text, const std::u16string& example) {
  const std::string n = std::to_string(line), shown = Utf16ToUtf8(text), sample = Utf16ToUtf8(example);
  return Tr("Die MTC Angabe in Zeile " + n + " ist falsch: \u201E" + shown + "\u201C\nErwartet wird die Position wie " +
                sample + ", ein Leerzeichen, dann die Silbe. Bitte korrigieren...",
            "The MTC value in line " + n + " is wrong: \u201C" + shown + "\u201D\nExpected: the position as in " +
                sample + ", a space, then the syllable. Please correct it...");
}

}  // namespace

int PositionFieldWidth(Song& song) {
  const int32_t savedTime = song.SongPositionToTime;
  size_t width = static_cast<size_t>(TickDigits(song)) + 7;
  width = std::max(width, PositionText(song, song.MaxSongPosition).size());
  const int n = std::min<int>(std::max(song.HyphenArrayElements, 0), static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < n; ++i) width = std::max(width, PositionText(song, song.HyphenArray[i].SongPosition).size());
  song.SongPositionToTime = savedTime;
  return static_cast<int>(width);
}

TEditorText BuildMtcText(Song& song) {
  const int width = PositionFieldWidth(song);
  const int32_t savedTime = song.SongPositionToTime;
  std::vector<std::u16string> lines;
  std::vector<int> elementOf;
  const int n = std::min<int>(std::max(song.HyphenArrayElements, 0), static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < n; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (h.Text.empty()) continue;
    lines.push_back(Field(song, h.SongPosition, width) + u" " + SyllablePart(h));
    elementOf.push_back(i);
  }
  song.SongPositionToTime = savedTime;
  DropMarksBeforeLineBreaks(lines, width);
  if (!song.TitleLine && !lines.empty()) elementOf.insert(elementOf.begin(), 2, -1);
  AddBlankTitleLines(song, lines, width);

  TEditorText result;
  result.Text = JoinLines(lines);
  // Caret at the end of the current syllable's line, look-ahead up to three lines further.
  int64_t offset = 0, caret = lines.empty() ? 0 : static_cast<int64_t>(lines[0].size()), lookAhead = caret;
  int further = 0;
  for (size_t l = 0; l < lines.size(); ++l) {
    const int64_t end = offset + static_cast<int64_t>(lines[l].size());
    if (elementOf[l] <= song.CurrentHyphen) {
      caret = lookAhead = end;
    } else if (further < 3) {
      lookAhead = end;
      ++further;
    }
    offset = end + 1;
  }
  result.CaretOffset = static_cast<int32_t>(caret);
  result.LookAheadOffset = static_cast<int32_t>(lookAhead);
  return result;
}

TEditorText EnterMtcText(Song& song) {
  TEditorText t = BuildMtcText(song);
  song.EditingText = true;
  return t;
}

TLeaveResult LeaveMtcText(Song& song, std::u16string_view text) {
  TLeaveResult result;
  std::vector<std::u16string> raw = SplitLines(text);
  if (raw.size() <= 2) {
    result.Status = TLeaveStatus::TooFewLines;
    result.Text = std::u16string(text);
    return result;
  }
  song.TextChanged = false;
  const int width = PositionFieldWidth(song);
  // From the third line on: no blank lines, no empty syllables, at most two line breaks in a row.
  auto droppable = [&](const std::u16string& line) { return isBlankLine(line) || isBlankLine(PartOf(line, width)); };
  std::vector<std::u16string> lines;
  for (size_t i = 0; i < raw.size(); ++i) {
    std::u16string normal = NormaliseLine(raw[i], 5);
    // A mistyped line is named as the user sees it, before any line is dropped or moved.
    if (!droppable(normal) && !PositionLineReadable(song, normal, width)) {
      result.Status = TLeaveStatus::BadPosition;
      result.Line = static_cast<int32_t>(i + 1);
      result.Message = BadPositionMessage(result.Line, raw[i], Field(song, song.HyphenArray.empty() ? 0 : song.HyphenArray[0].SongPosition, width));
      result.Text = std::u16string(text);
      return result;
    }
    if (!normal.empty()) lines.push_back(std::move(normal));
  }
  std::vector<std::u16string> kept;
  kept.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t n = kept.size();
    if (n >= 2) {
      bool threeBreaks = HasMarker(PartOf(lines[i], width)) && HasMarker(PartOf(kept[n - 1], width)) &&
                         HasMarker(PartOf(kept[n - 2], width));
      if (droppable(lines[i]) || threeBreaks) continue;
    }
    kept.push_back(std::move(lines[i]));
  }
  lines = std::move(kept);
  const bool titleLine = TakeTitleLines(song, lines, width);
  const std::vector<THyphens> oldList = CurrentSyllables(song);
  // A line break that ended the lyrics stays (one, after a syllable), so leaving the editor without a
  // change gives back the list as it was.
  const bool keepFinalBreak = !oldList.empty() && IsLineBreak(oldList.back());
  while (!lines.empty()) {
    const bool marker = HasMarker(PartOf(lines.back(), width));
    const bool afterSyllable = lines.size() > 2 && !HasMarker(PartOf(lines[lines.size() - 2], width));
    if (!droppable(lines.back()) && (!marker || (keepFinalBreak && afterSyllable))) break;
    lines.pop_back();
  }

  std::vector<THyphens> list;
  list.reserve(lines.size());
  for (size_t k = 0; k < lines.size(); ++k) {
    const std::u16string& line = lines[k];
    THyphens h;
    std::u16string s = PartOf(line, width);
    if (HasMarker(s)) {
      if (k > 0 && !list[k - 1].Text.empty() && list[k - 1].Text.back() == u' ') list[k - 1].Text.pop_back();
      h.Text = u"\r";
    } else {
      while (!s.empty() && s.back() == u' ') s.pop_back();
      if (s == u"----" || s == u"-----")
        s.push_back(u' ');
      else if (s.size() > 1 && s.back() == u'-')
        s.pop_back();
      else
        s.push_back(u' ');
      ReplaceTypographicApostrophes(s);
      for (char16_t& c : s) {
        if (c == u'_')
          c = u' ';
        else if (c == u'~')
          c = u'-';
      }
      h.Text = std::move(s);
    }
    // Every line kept was read above; the title lines made from blank ones carry a readable field.
    h.SongPosition = static_cast<int32_t>(std::max<int64_t>(0, ReadPositionField(song, std::u16string_view(line).substr(0, width), width)));
    list.push_back(std::move(h));
  }
  PlaceTitleLines(list, static_cast<int32_t>(list.size()), titleLine);
  MakeNonDecreasing(list);
  song.TitleLine = titleLine;
  CommitSyllables(song, std::move(list));
  result.Text = BuildDisplayText(song.HyphenArray);
  return result;
}

bool KeepsCharacter(char32_t c) {
  switch (c) {
    case U' ':
    case U'#':
    case U'\'':
    case U'(':
    case U')':
    case U'*':
    case U'-':
    case U'/':
    case U':':
    case U'_':
    case U'|':
      return true;
    default:
      return IsWordCharacter(c);
  }
}

std::u16string FilterPunctuation(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    size_t n = 1;
    char32_t c = CodePointAt(text, i, &n);
    if (KeepsCharacter(c)) out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

TLeaveResult RemovePunctuation(Song& song) {
  TLeaveResult result;
  if (song.EditingText) {
    result.Status = TLeaveStatus::EditorOpen;
    return result;
  }
  const int width = PositionFieldWidth(song);
  const int32_t savedTime = song.SongPositionToTime;
  std::vector<std::u16string> lines;
  const int n = std::min<int>(std::max(song.HyphenArrayElements, 0), static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < n; ++i) {
    const THyphens& h = song.HyphenArray[i];
    std::u16string part;
    if ((i == 0 && song.TitleLine) || IsLineBreak(h)) {
      part = SyllablePart(h);  // the song name stays as it is
    } else {
      part = FilterPunctuation(h.Text);
      if (!part.empty() && part.back() != u' ') part.push_back(u'-');
    }
    lines.push_back(Field(song, h.SongPosition, width) + u" " + part);
  }
  song.SongPositionToTime = savedTime;
  DropMarksBeforeLineBreaks(lines, width);
  AddBlankTitleLines(song, lines, width);
  song.EditingText = true;
  result = LeaveMtcText(song, JoinLines(lines));
  if (result.Status != TLeaveStatus::Done) song.EditingText = false;
  return result;
}

std::u16string SetUpperCase(Song& song) {
  const int n = std::min<int>(std::max(song.HyphenArrayElements, 0), static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < n; ++i) {
    THyphens& h = song.HyphenArray[i];
    if (i == 0 && song.TitleLine) {
      for (char16_t& c : h.Text)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    } else if (!IsLineBreak(h)) {
      h.Text = ToUpperText(h.Text);
    }
  }
  InsertLyrics(song);
  return BuildDisplayText(CurrentSyllables(song));
}

}  // namespace cv
