#include "lyrics/EditText.h"

#include <algorithm>
#include <limits>

#include "lyrics/DocumentReader.h"
#include "lyrics/InsertLyrics.h"
#include "lyrics/PositionTexts.h"
#include "song/Apostrophes.h"
#include "song/Language.h"
#include "song/LyricsExtraction.h"
#include "song/SongErrors.h"
#include "song/TitleLines.h"

namespace cv {
namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool EndsWith(const std::u16string& s, char16_t c) { return !s.empty() && s.back() == c; }

void Unescape(std::u16string& s) {
  for (char16_t& c : s) {
    if (c == u'_')
      c = u' ';
    else if (c == u'=')
      c = u'-';
  }
}

THyphens Element(std::u16string text) {
  THyphens h;
  h.Text = std::move(text);
  return h;
}

void TrimTrailingSpaces(std::u16string& s) {
  while (EndsWith(s, u' ')) s.pop_back();
}

void ParseLyricLine(std::u16string line, std::vector<THyphens>& out) {
  TrimTrailingSpaces(line);
  size_t start = 0;  // markers are taken off the front without copying the rest each time
  while (line.size() - start >= 4 && line.compare(start, 4, u"----") == 0) {
    size_t space = line.find(u' ', start);
    std::u16string word = line.substr(start, space == std::u16string::npos ? std::u16string::npos : space - start);
    out.push_back(Element(line.size() - start == 4 ? word : word + u" "));
    size_t i = start;
    while (i < line.size() && line[i] == u'-') ++i;
    while (i < line.size() && line[i] == u' ') ++i;
    start = i;
  }
  line.erase(0, start);
  // Cursor i is 1-based as in the layout rules: character i is line[i - 1].
  const size_t n = line.size();
  auto at = [&](size_t i) { return line[i - 1]; };
  size_t i = 0;
  while (i < n) {
    ++i;
    std::u16string syllable;
    while (i < n && at(i) == u' ') {
      syllable.push_back(u' ');
      ++i;
    }
    syllable.push_back(at(i));
    ++i;
    while (i < n && at(i) != u' ' && at(i) != u'-') {
      syllable.push_back(at(i));
      ++i;
    }
    if (i < n && at(i) == u' ') syllable.push_back(u' ');
    if (i == n) syllable.push_back(at(i));
    Unescape(syllable);
    out.push_back(Element(std::move(syllable)));
  }
}

// Header text elements (song name; artist between two line breaks) are placed by PlaceTitleLines,
// so a changed name or artist is no change for the times.
bool IsHeaderText(const std::vector<THyphens>& list, int p) {
  if (p == 0) return true;
  return p == 2 && list.size() > 3 && IsLineBreak(list[1]) && !IsLineBreak(list[2]) && IsLineBreak(list[3]);
}

}  // namespace


std::vector<THyphens> AlignedOldList(const Song& song, const std::vector<THyphens>& newList, bool titleLine) {
  std::vector<THyphens> old = CurrentSyllables(song);
  const int32_t oldHeader = HeaderElementCount(old, static_cast<int32_t>(old.size()), song.TitleLine);
  const int32_t newHeader = HeaderElementCount(newList, static_cast<int32_t>(newList.size()), titleLine);
  if (oldHeader == newHeader && song.TitleLine == titleLine) return old;
  // Title lines added or taken away: the lyrics compare with the lyrics, not shifted against them.
  old.erase(old.begin(), old.begin() + oldHeader);
  old.insert(old.begin(), newList.begin(), newList.begin() + newHeader);
  return old;
}

std::string RulesQuestionText() {
  return Tr(
      "Formatierungsregeln zu beachten:\n\n"
      " - Erste Zeile  = Songname.\n"
      " - Zweite Zeile = Interpret.\n"
      " - ab der dritten Zeile beginnt der Text.\n\n"
      "Haben Sie dies eingehalten?",
      "Three rules:\n\n"
      " - First line  = song name.\n"
      " - Second line = artist.\n"
      " - Lyrics after the third line.\n\n"
      "Did you follow these rules?");
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::u16string cur;
  bool open = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.push_back(std::move(cur));
      cur.clear();
      open = false;
    } else {
      cur.push_back(c);
      open = true;
    }
  }
  if (open) lines.push_back(std::move(cur));
  return lines;
}

std::u16string JoinLines(const std::vector<std::u16string>& lines) {
  std::u16string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out.push_back(u'\n');
    out += lines[i];
  }
  return out;
}

std::u16string NormaliseLine(std::u16string_view line, int tabStop) {
  std::u16string out;
  out.reserve(line.size());
  for (char16_t c : line) {
    if (c == u'\t') {
      out.push_back(u' ');
      while (out.size() % tabStop != 0) out.push_back(u' ');
    } else if (IsTypographicApostrophe(c)) {
      out.push_back(u'\'');
    } else if (c >= 32) {
      out.push_back(c);
    }
  }
  return out;
}

void DropBlankLines(std::vector<std::u16string>& lines) {
  size_t lead = 0;
  while (lead < lines.size() && isBlankLine(lines[lead])) ++lead;
  lines.erase(lines.begin(), lines.begin() + lead);
  std::vector<std::u16string> kept;
  kept.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i >= 2 && isBlankLine(lines[i]) && isBlankLine(kept.back())) continue;
    kept.push_back(std::move(lines[i]));
  }
  while (!kept.empty() && isBlankLine(kept.back())) kept.pop_back();
  lines = std::move(kept);
}

std::vector<THyphens> ParseEditText(const std::vector<std::u16string>& lines, bool titleLines) {
  std::vector<THyphens> out;
  for (size_t n = 0; n < lines.size(); ++n) {
    std::u16string line = lines[n];
    if (titleLines && n < 2) {
      if (!isBlankLine(line)) {
        TrimTrailingSpaces(line);
        Unescape(line);
        out.push_back(Element(std::move(line)));
      }
      out.push_back(Element(u"\r"));
      continue;
    }
    if (isBlankLine(line)) {
      out.push_back(Element(u"\r"));
      continue;
    }
    ParseLyricLine(std::move(line), out);
    if (n + 1 < lines.size()) out.push_back(Element(u"\r"));
  }
  return out;
}

void CarryTimesOver(const std::vector<THyphens>& oldList, std::vector<THyphens>& newList,
                    int32_t maxSongPosition) {
  const int k = static_cast<int>(newList.size());
  int m = static_cast<int>(oldList.size());
  // The edit text cannot end with a line break, so a line-break element ending the old list (as
  // karaoke files have it) has no counterpart; compared with it, every edit would look like a
  // change reaching the end and leave all later syllables provisional.
  if (m > 0 && k > 0 && IsLineBreak(oldList[m - 1]) && !IsLineBreak(newList[k - 1])) --m;
  auto take = [&](int p, int o) { newList[p].SongPosition = oldList[o].SongPosition; };
  auto setPos = [&](int p, int64_t pos) { newList[p].SongPosition = Clamp32(pos); };
  // Provisional positions: 10 ticks apart, the last 20 ticks before the song end.
  auto provisional = [&](int p) { setPos(p, static_cast<int64_t>(maxSongPosition) - 10 * (int64_t{k} - p + 1)); };

  int firstChange = -1;
  for (int p = 0; p < k; ++p) {
    if (p >= m) {
      provisional(p);
    } else if (k == m || newList[p].Text == oldList[p].Text ||
               (IsHeaderText(newList, p) && IsHeaderText(oldList, p))) {
      take(p, p);
    } else {
      provisional(p);
      if (firstChange < 0) firstChange = p;
    }
  }
  if (firstChange < 0) return;

  // Unchanged elements at the end take their old times; what lies between the first change
  // and them is the differing stretch.
  int q = k - 1;
  int o = m - 1;
  while (q > firstChange && o >= 0 && newList[q].Text == oldList[o].Text) take(q--, o--);
  // A stretch reaching the end of the list has no neighbour after it: it stays provisional.
  if (q >= k - 1) return;

  const int fc = firstChange;
  int64_t prev = 0;
  if (fc >= 1) prev = (IsLineBreak(newList[fc - 1]) && fc >= 2) ? newList[fc - 2].SongPosition
                                                                 : newList[fc - 1].SongPosition;
  int64_t next = (IsLineBreak(newList[q + 1]) && q + 2 < k) ? newList[q + 2].SongPosition
                                                              : newList[q + 1].SongPosition;
  if (q == fc) {
    setPos(q, prev + (next - prev) / 2);
    if (IsLineBreak(newList[q + 1])) setPos(q + 1, int64_t{newList[q].SongPosition} + 10);
    return;
  }
  int64_t syllables = 0;
  for (int p = fc; p <= q; ++p)
    if (!IsLineBreak(newList[p])) ++syllables;
  const int64_t step = (next - prev) / (syllables + 1);
  int64_t j = 1;
  for (int p = fc; p <= q; ++p) {
    if (IsLineBreak(newList[p]) && p >= 1)
      setPos(p, int64_t{newList[p - 1].SongPosition} + 4);
    else
      setPos(p, prev + j++ * step);
  }
  if (IsLineBreak(newList[q + 1])) setPos(q + 1, int64_t{newList[q].SongPosition} + 4);
}

void MakeNonDecreasing(std::vector<THyphens>& list) {
  for (size_t p = 1; p < list.size(); ++p)
    if (list[p].SongPosition < list[p - 1].SongPosition)
      list[p].SongPosition = Clamp32(int64_t{list[p - 1].SongPosition} + 4);
}

std::u16string BuildDisplayText(const std::vector<THyphens>& list) {
  std::u16string out;
  for (const THyphens& h : list) {
    if (IsLineBreak(h))
      out.push_back(u'\n');
    else
      out += h.Text;
  }
  return out;
}

std::vector<THyphens> CurrentSyllables(const Song& song) {
  size_t n = std::min<size_t>(std::max(song.HyphenArrayElements, 0), song.HyphenArray.size());
  return std::vector<THyphens>(song.HyphenArray.begin(), song.HyphenArray.begin() + n);
}

void CommitSyllables(Song& song, std::vector<THyphens> list) {
  // Position texts first: a time-map failure leaves the old list in place.
  const int32_t savedTime = song.SongPositionToTime;
  for (THyphens& h : list) h.MTC = PositionText(song, h.SongPosition, &h.Time);
  song.SongPositionToTime = savedTime;
  song.HyphenArray = std::move(list);
  song.HyphenArrayElements = static_cast<int32_t>(song.HyphenArray.size());
  if (song.CurrentHyphen >= song.HyphenArrayElements) song.CurrentHyphen = song.HyphenArrayElements - 1;
  song.EditingText = false;
  InsertLyrics(song);
}

TEditorText BuildEditText(const Song& song) {
  TEditorText result;
  std::u16string& out = result.Text;
  const std::vector<THyphens>& list = song.HyphenArray;
  const int count = std::min<int>(std::max(song.HyphenArrayElements, 0), static_cast<int>(list.size()));
  const int current = song.CurrentHyphen;
  int64_t caret = 0, lookAhead = 0;
  if (count > 0 && !song.TitleLine) {
    // Blank name and artist lines: the sung lines stay lyrics, and a name can be typed there.
    out = u"\n\n";
    caret = lookAhead = 2;
  }
  // A name line whose next line is sung gets a blank artist line, so that line stays lyrics.
  const int header = HeaderElementCount(song);
  const bool blankArtist = song.TitleLine && count > 2 && IsLineBreak(list[1]) && header == 2;
  int linesPassed = 0;
  for (int i = 0; i < count; ++i) {
    const std::u16string& text = list[i].Text;
    if (text.empty()) continue;
    std::u16string copy = text;
    const bool endsWithCr = EndsWith(text, u'\r');
    if (endsWithCr) copy.pop_back();
    for (size_t c = 0; c + 1 < copy.size(); ++c)
      if (copy[c] == u' ') copy[c] = u'_';
    for (char16_t& c : copy)
      if (c == u'-') c = u'=';
    out += copy;
    bool hyphen = false;
    if (endsWithCr) {
      out.push_back(u'\n');
      if (blankArtist && i == 1) {
        out.push_back(u'\n');
        if (current >= 1) ++caret;
        ++lookAhead;
      }
    } else if (!EndsWith(text, u' ') && i + 1 < count && !IsLineBreak(list[i + 1])) {
      out.push_back(u'-');
      hyphen = true;
    }
    // Offsets: a line end is one character here.
    const int64_t n = static_cast<int64_t>(text.size());
    if (i <= current) {
      caret += n;
      lookAhead += n;
    } else if (linesPassed < 4) {
      lookAhead += n;
    }
    if (endsWithCr) {
      if (i >= current) ++linesPassed;
    } else if (hyphen) {
      if (i <= current) {
        ++caret;
        ++lookAhead;
      } else if (linesPassed < 4) {
        ++lookAhead;
      }
    }
  }
  result.CaretOffset = Clamp32(caret);
  result.LookAheadOffset = Clamp32(lookAhead);
  return result;
}

TEditorText EnterEditText(Song& song) {
  TEditorText t = BuildEditText(song);
  song.EditingText = true;
  return t;
}

TLeaveResult LeaveEditText(Song& song, std::u16string_view text, const YesNoQuestion& askRules) {
  TLeaveResult result;
  std::vector<std::u16string> lines = SplitLines(text);
  if (lines.size() < 3) {
    result.Status = TLeaveStatus::TooFewLines;
    result.Text = std::u16string(text);
    return result;
  }
  if (song.QuerryForRules) {
    if (askRules && !askRules(RulesQuestionText())) {
      result.Status = TLeaveStatus::RulesDeclined;
      result.Text = std::u16string(text);
      return result;
    }
    song.QuerryForRules = false;
  }
  for (std::u16string& line : lines) line = NormaliseLine(line, 5);
  // Blank name and artist lines: a song without title lines.
  const bool titleLine = !(isBlankLine(lines[0]) && isBlankLine(lines[1]));
  if (!titleLine) lines.erase(lines.begin(), lines.begin() + 2);
  DropBlankLines(lines);
  if (lines.empty()) {
    result.Status = TLeaveStatus::NothingLeft;
    result.Text = std::u16string(text);
    return result;
  }
  std::vector<THyphens> list = ParseEditText(lines, titleLine);
  // Checked on what would be written: hyphenation multiplies the syllables of a loaded text.
  if (list.size() > kMaxLyricSyllables) {
    result.Status = TLeaveStatus::TooLong;
    result.Message = Tr("Der Text ergibt " + Grouped(static_cast<int64_t>(list.size())) +
                            " Silben; ein Song fasst höchstens " + Grouped(kMaxLyricSyllables) +
                            ". Nehmen Sie den Liedtext des Songs oder teilen Sie den Text; der Song ist unverändert.",
                        "The text makes " + Grouped(static_cast<int64_t>(list.size())) +
                            " syllables; a song holds at most " + Grouped(kMaxLyricSyllables) +
                            ". Take the song's lyric text, or split the text; the song is unchanged.");
    result.Text = std::u16string(text);
    return result;
  }
  CarryTimesOver(AlignedOldList(song, list, titleLine), list, song.MaxSongPosition);
  PlaceTitleLines(list, static_cast<int32_t>(list.size()), titleLine);
  MakeNonDecreasing(list);
  song.TitleLine = titleLine;
  CommitSyllables(song, std::move(list));
  result.Text = BuildDisplayText(song.HyphenArray);
  return result;
}

}  // namespace cv
