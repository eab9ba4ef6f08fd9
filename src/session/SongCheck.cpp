#include "session/SongCheck.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

#include "output/MidiFileWriter1.h"
#include "output/PromptaDecoder.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"
#include "song/TextCodec.h"
#include "song/TimeMap.h"

namespace cv {

namespace {

constexpr int kPrompterWidth = 80;
// Title lines stand at ticks 108 to about 128 before the singing starts.
constexpr int32_t kHeaderEnd = 128;

std::string Num(int64_t v) { return std::to_string(v); }

bool IsLineBreak(const std::u16string& t) { return t == u"\r"; }
bool IsBlank(const std::u16string& t) {
  return std::all_of(t.begin(), t.end(), [](char16_t c) { return c == u' '; });
}
bool IsMarker(const std::u16string& t) {
  return t.rfind(u"----", 0) == 0 || t.find(u"_takt") != std::u16string::npos;
}

// Characters as the display counts them: a surrogate pair is one.
int CharacterCount(const std::u16string& t) {
  int n = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] >= 0xD800 && t[i] <= 0xDBFF && i + 1 < t.size()) ++i;
    ++n;
  }
  return n;
}

class Checker {
 public:
  Checker(Song& song, TFindingSource source, std::vector<TSongFinding>& out) : song_(song), source_(source), out_(out) {}

  int Count() const { return std::min<int>(song_.HyphenArrayElements, static_cast<int>(song_.HyphenArray.size())); }
  const THyphens& At(int i) const { return song_.HyphenArray[static_cast<size_t>(i)]; }

  // Header: the name line (element 0 with its line break) and the artist line (element 2 with its).
  int HeaderEnd() const {
    if (Count() < 2 || !IsLineBreak(At(1).Text)) return 0;
    return Count() >= 4 && IsLineBreak(At(3).Text) ? 4 : 2;
  }
  bool IsSung(int i) const {
    const std::u16string& t = At(i).Text;
    return i >= HeaderEnd() && !IsLineBreak(t) && !IsMarker(t) && !IsBlank(t);
  }

  void AddAtSyllable(TFindingSeverity severity, const char* kind, int i, const std::string& message) {
    const THyphens& h = At(i);
    out_.push_back({severity, kind, source_, h.SongPosition, h.Time, h.MTC, h.Text,
                    source_ == TFindingSource::Song ? i : -1, message});
  }
  void AddAt(TFindingSeverity severity, const char* kind, int32_t pos, const std::u16string& text,
             const std::string& message) {
    std::u16string mtc = song_.TimeZoneElements > 0 ? SongPositionToMTC(song_, pos) : u"";
    out_.push_back({severity, kind, source_, pos, SongPositionTime(song_, pos), mtc, text, -1, message});
  }

  // Tick of the first and the last note event of the file's tracks (-1: none).
  std::pair<int32_t, int32_t> NoteSpan() const {
    int32_t first = -1, last = -1;
    for (int t = 0; t < song_.NumberOfSourceTracks && t < static_cast<int>(song_.MidiTrack.size()); ++t) {
      for (PtrMidiEvent e = song_.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent) {
        const int kind = e->Command & 0xF0;
        if (e->DType != DTypeChannel || (kind != 0x80 && kind != 0x90)) continue;
        if (kind == 0x90 && e->Value[1] > 0 && (first < 0 || e->Position < first)) first = e->Position;
        last = std::max(last, e->Position);
      }
    }
    return {first, last};
  }

  // Note-on ticks (velocity above 0) of the melody chain.
  std::vector<int32_t> MelodyNoteTicks() const {
    std::vector<int32_t> notes;
    for (PtrMidiEvent e = song_.MelodyTrack.TrkFirstEvent; e; e = e->NextEvent)
      if (e->DType == DTypeChannel && (e->Command & 0xF0) == 0x90 && e->Value[1] > 0) notes.push_back(e->Position);
    std::sort(notes.begin(), notes.end());
    return notes;
  }

  // The nearest note to a tick: its index and distance (-1 and INT64_MAX without notes).
  static std::pair<int, int64_t> Nearest(const std::vector<int32_t>& notes, int32_t pos) {
    auto it = std::lower_bound(notes.begin(), notes.end(), pos);
    int best = -1;
    int64_t distance = INT64_MAX;
    for (auto c : {it, it == notes.begin() ? notes.end() : it - 1}) {
      if (c == notes.end()) continue;
      const int64_t d = std::llabs(int64_t{*c} - pos);
      if (d < distance) distance = d, best = static_cast<int>(c - notes.begin());
    }
    return {best, distance};
  }

  // Syllables after the last note are left to the after-end finding. When most syllables miss
  // the melody, or the melody finder knows a better one, one finding says why instead of a line
  // for each.
  void Notes(int32_t tolerance, int32_t lastNote) {
    const std::vector<int32_t> notes = MelodyNoteTicks();
    std::vector<int> sung;
    for (int i = 0; i < Count(); ++i)
      if (IsSung(i) && At(i).SongPosition <= lastNote) sung.push_back(i);
    if (sung.empty()) return;
    std::vector<int> missing;
    for (int i : sung)
      if (Nearest(notes, At(i).SongPosition).second > tolerance) missing.push_back(i);
    if (missing.size() >= 4) {
      const MelodyChoice found = FindMelody(song_);
      const bool better = !found.Better.empty();
      if (better || missing.size() * 2 > sung.size()) {
        const std::string counts =
            Num(static_cast<int64_t>(missing.size())) + " / " + Num(static_cast<int64_t>(sung.size()));
        std::string message = Tr(counts + " Silben liegen auf keiner Note der Melodie (" + found.Reason + ").",
                                 counts + " syllables lie on no note of the melody (" + found.Reason + ").");
        if (better) {
          const std::string parts = PartsText(song_, found.Better), onNote = Num(found.BetterOnNote);
          message += Tr(" Die Melodiesuche findet " + parts + " mit Noten unter " + onNote +
                            " Silben: in den Optionen \"Melodie: automatisch\" wählen.",
                        " The melody finder finds " + parts + " with notes under " + onNote +
                            " syllables: choose \"Melody: automatic\" in the options.");
        }
        AddAtSyllable(TFindingSeverity::Warning, "no-note", missing.front(), message);
        return;
      }
    }
    int previousNote = -1, previous = -1;
    for (int i : sung) {
      auto [best, distance] = Nearest(notes, At(i).SongPosition);
      if (distance > tolerance) {
        AddAtSyllable(TFindingSeverity::Warning, "no-note", i,
                      notes.empty()
                          ? Tr("Die Melodie hat keine Noten (" + song_.Melody.Reason + ").",
                               "The melody has no notes (" + song_.Melody.Reason + ").")
                          : Tr("Keine Melodienote unter der Silbe (nächste " + Num(distance) + " Ticks entfernt).",
                               "No melody note under the syllable (the nearest is " + Num(distance) + " ticks away)."));
        best = -1;
      } else if (best == previousNote) {
        AddAtSyllable(TFindingSeverity::Warning, "shared-note", i,
                      Tr("Liegt auf derselben Melodienote wie \"" + Utf16ToUtf8(At(previous).Text) + "\".",
                         "Shares its melody note with \"" + Utf16ToUtf8(At(previous).Text) + "\"."));
      }
      previousNote = best;
      previous = i;
    }
  }

  void LineWidths(int keyboardWidth) {
    struct Display {
      int width;
      const char* de;
      const char* en;
    };
    std::vector<Display> displays = {{kPrompterWidth, "Prompta", "prompter"}};
    if (keyboardWidth > 0) displays.push_back({keyboardWidth, "Keyboard-Anzeige", "keyboard display"});
    for (const Display& d : displays) {
      int length = 0;
      bool reported = false;
      for (int i = 0; i <= Count(); ++i) {
        if (i == Count() || At(i).Text.find(u'\r') != std::u16string::npos) {
          length = 0;
          reported = false;
          continue;
        }
        length += CharacterCount(At(i).Text);
        if (length > d.width && !reported) {
          int total = length;
          for (int j = i + 1; j < Count() && At(j).Text.find(u'\r') == std::u16string::npos; ++j)
            total += CharacterCount(At(j).Text);
          AddAtSyllable(TFindingSeverity::Warning, "line-too-long", i,
                        Tr("Die Zeile hat " + Num(total) + " Zeichen, die " + d.de + " zeigt " + Num(d.width) +
                               "; ab dieser Silbe wird sie abgeschnitten.",
                           "The line has " + Num(total) + " characters, the " + d.en + " shows " + Num(d.width) +
                               "; it is cut from this syllable on."));
          reported = true;
        }
      }
    }
  }

  void Characters() {
    for (int i = 0; i < Count(); ++i) {
      const std::u16string& t = At(i).Text;
      if (IsLineBreak(t)) continue;
      std::u16string lost, notShown;
      for (size_t k = 0; k < t.size(); ++k) {
        const char16_t c = t[k];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && k + 1 < t.size();
        const std::u16string ch = pair ? t.substr(k, 2) : std::u16string(1, c);
        if (pair) ++k;
        const int code = pair ? -1 : Windows1252Code(c);
        if (code < 0 && song_.Encoding == TextEncoding::Windows1252) lost += ch;
        else if (code >= 0 && code < 32) notShown += {u'^', static_cast<char16_t>(u'@' + code)};
        else if (code < 0 || (code >= 128 && code <= 155)) notShown += ch;
      }
      if (!lost.empty())
        AddAtSyllable(TFindingSeverity::Error, "unshowable-character", i,
                      Tr("\"" + Utf16ToUtf8(lost) + "\" gibt es in Windows-1252 nicht: gespeichert wird \"?\", der Prompta lässt es aus.",
                         "\"" + Utf16ToUtf8(lost) + "\" does not exist in Windows-1252: it is saved as \"?\" and the prompter leaves it out."));
      else if (!notShown.empty())
        AddAtSyllable(TFindingSeverity::Warning, "unshowable-character", i,
                      Tr("Der Prompta kann \"" + Utf16ToUtf8(notShown) + "\" nicht zeigen: es fehlt dort.",
                         "The prompter cannot show \"" + Utf16ToUtf8(notShown) + "\": it is left out there."));
    }
  }

  void Header() {
    if (Count() < 1) return;
    const int end = HeaderEnd();
    if (end == 0) return;  // no title line: the song starts with singing
    if (IsBlank(At(0).Text))
      AddAtSyllable(TFindingSeverity::Warning, "empty-header", 0,
                    Tr("Die Titelzeile ist leer.", "The title line is empty."));
    if (end == 4 && IsBlank(At(2).Text))
      AddAtSyllable(TFindingSeverity::Warning, "empty-header", 2,
                    Tr("Die Interpretenzeile ist leer.", "The artist line is empty."));
    const int32_t firstNote = NoteSpan().first;
    if (firstNote >= 0 && firstNote <= kHeaderEnd)
      AddAt(TFindingSeverity::Warning, "starts-too-early", firstNote, At(0).Text,
            Tr("Die Musik beginnt bei Tick " + Num(firstNote) +
                   ", bevor die Titelzeilen gezeigt sind: ein Vorlauf am Liedanfang hilft.",
               "The music starts at tick " + Num(firstNote) +
                   ", before the title lines have been shown: a lead-in at the song start helps."));
  }

  // Syllables at or after a given end: the file's end as read, or the last note of the song.
  void AfterEnd(int32_t end, const std::string& de, const std::string& en) {
    for (int i = 0; i < Count(); ++i)
      if (!IsLineBreak(At(i).Text) && At(i).SongPosition >= end)
        AddAtSyllable(TFindingSeverity::Warning, "after-end", i, Tr(de, en));
  }

  // The song's own Prompta data against the data its syllables give now.
  void Prompter(bool fileSource) {
    // The planned data (a value per character) are built only where there is something to check.
    const bool held = song_.PromptaControllerTrack >= 0;
    if (!held && !song_.Configuration.PromptaEnabled) return;
    // Our own Prompta track is saved only while Prompta support is on (and then rebuilt);
    // data in one of the file's tracks are saved as they are.
    if (held && song_.PromptaControllerTrack >= song_.NumberOfSourceTracks && !PromptaTrackWritten(song_)) return;
    std::vector<TPromptaValue> planned;
    const bool planOk = PromptaWireValues(song_, planned);
    const TPromptaDisplay plan = DecodePromptaValues(planned);
    if (!held) {
      if (planOk && !plan.Complete && Count() > 0) Cut(plan);
      return;
    }
    const TPromptaDisplay inSong = DecodeSongPrompter(song_).Display;
    const char* where = fileSource ? "Die Prompta-Daten der Datei" : "Die Prompta-Daten des Liedes";
    const char* whereEn = fileSource ? "The file's prompter data" : "The song's prompter data";
    const TFindingSeverity severity = fileSource ? TFindingSeverity::Warning : TFindingSeverity::Error;
    if (!inSong.Complete) {
      Cut(inSong);
      return;
    }
    const int32_t tolerance = std::max<int32_t>(1, song_.SourceTimeBase / 4);
    int32_t at = -1;
    if (inSong.Lines != plan.Lines) {
      at = 0;
    } else {
      for (size_t k = 0; k < std::max(inSong.Cues.size(), plan.Cues.size()) && at < 0; ++k) {
        if (k >= inSong.Cues.size() || k >= plan.Cues.size()) {
          at = (k < inSong.Cues.size() ? inSong.Cues[k] : plan.Cues[k]).SongPosition;
        } else if (inSong.Cues[k].Line != plan.Cues[k].Line || inSong.Cues[k].Column != plan.Cues[k].Column ||
                   std::abs(inSong.Cues[k].SongPosition - plan.Cues[k].SongPosition) > tolerance) {
          at = std::min(inSong.Cues[k].SongPosition, plan.Cues[k].SongPosition);
        }
      }
    }
    if (at >= 0)
      AddAt(severity, "stale-prompter-data", at, u"",
            Tr(std::string(where) + " passen nicht mehr zum Liedtext: der Prompta zeigt hier anderes, als gesungen wird.",
               std::string(whereEn) + " no longer match the lyrics: from here the prompter shows something else than is sung."));
  }

  void Cut(const TPromptaDisplay& d) {
    const int32_t pos = d.Problems.empty() ? song_.MaxSongPosition : d.Problems.back().SongPosition;
    AddAt(TFindingSeverity::Error, "prompter-data-cut", pos, u"",
          Tr("Die Prompta-Daten enden mit dem Lied, bevor der ganze Text gesendet ist: das Lied ist für den Text zu kurz.",
             "The prompter data end with the song before the whole text has been sent: the song is too short for the text."));
  }

  Song& song_;
  TFindingSource source_;
  std::vector<TSongFinding>& out_;
};

// What the file holds before opening changes it; runs on the song right after its lyrics were
// extracted (Prompta data kept, lyric events not yet rebuilt).
void CheckAsRead(Song& song, std::vector<TSongFinding>& out) {
  Checker c(song, TFindingSource::File, out);
  // Lyric events from several tracks are merged into one list.
  int main = -1;
  for (int t = 0; t < static_cast<int>(song.LyricOrigin.size()); ++t)
    if (song.LyricOrigin[t].Count > 0 && (main < 0 || song.LyricOrigin[t].Count > song.LyricOrigin[main].Count)) main = t;
  int lyricEvents = 0;
  for (int t = 0; t < static_cast<int>(song.LyricOrigin.size()); ++t) {
    lyricEvents += song.LyricOrigin[t].Count;
    if (t == main || song.LyricOrigin[t].Count == 0) continue;
    c.AddAt(TFindingSeverity::Warning, "lyrics-outside-track", song.LyricOrigin[t].FirstPosition, u"",
            Tr("Spur " + Num(t + 1) + " enthält ebenfalls " + Num(song.LyricOrigin[t].Count) +
                   " Liedtext-Ereignisse; sie werden mit denen von Spur " + Num(main + 1) + " zu einem Text gemischt.",
               "Track " + Num(t + 1) + " also holds " + Num(song.LyricOrigin[t].Count) +
                   " lyric events; they are merged with those of track " + Num(main + 1) + " into one text."));
  }
  int textEvents = 0;
  int32_t firstText = -1;
  for (int t = 0; t < song.NumberOfSourceTracks; ++t)
    for (PtrMidiEvent e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent)
      if (e->Command == 0xFF && e->DType == DTypeMeta && e->MType == 1 && e->Position > 0) {
        if (firstText < 0) firstText = e->Position;
        ++textEvents;
      }
  const bool fromText = song.LyricsMetaType == 1 && c.Count() > 0;
  if (lyricEvents > 0 && textEvents >= 5) {
    c.AddAt(TFindingSeverity::Warning, "mixed-text-and-lyrics", fromText ? firstText : song.LyricOrigin[main].FirstPosition,
            u"",
            fromText ? Tr("Die Datei enthält " + Num(lyricEvents) + " Liedtext- und " + Num(textEvents) +
                              " Text-Ereignisse; die Silben kommen aus den Text-Ereignissen, die Liedtext-Ereignisse gehen beim Speichern verloren.",
                          "The file holds " + Num(lyricEvents) + " lyric and " + Num(textEvents) +
                              " text events; the syllables come from the text events, the lyric events are lost on saving.")
                     : Tr("Die Datei enthält " + Num(lyricEvents) + " Liedtext- und " + Num(textEvents) +
                              " Text-Ereignisse; die Text-Ereignisse bleiben beim Speichern, ein Keyboard kann beide zeigen.",
                          "The file holds " + Num(lyricEvents) + " lyric and " + Num(textEvents) +
                              " text events; the text events stay on saving, and a keyboard may show both."));
  } else if (fromText) {
    c.AddAtSyllable(TFindingSeverity::Warning, "karaoke-text-events", 0,
                    Tr("Die Datei trägt ihren Text als Karaoke-Text-Ereignisse: Keyboards, die Liedtext-Ereignisse zeigen, zeigen nichts, bis das Lied gespeichert ist.",
                       "The file carries its lyrics as karaoke text events: keyboards that show lyric events show nothing until the song is saved."));
  }
  c.AfterEnd(song.MaxSongPosition,
             "Die Silbe liegt am oder nach dem Ende der Datei: das Lied wird für sie verlängert.",
             "The syllable lies at or after the file's end: the song is lengthened for it.");
  c.Prompter(true);
}

int32_t NoteTolerance(const Song& song, const TCheckOptions& options) {
  return options.NoteTolerance >= 0 ? options.NoteTolerance : std::max(1, song.SourceTimeBase / 4);
}

}  // namespace

std::vector<TSongFinding> CheckSongNotes(Song& song, const TCheckOptions& options) {
  std::vector<TSongFinding> out;
  if (!song.MidiFileLoaded) return out;
  Checker c(song, TFindingSource::Song, out);
  c.Notes(NoteTolerance(song, options), c.NoteSpan().second);
  SortFindings(out);
  return out;
}

std::vector<TSongFinding> CheckSong(Song& song, const TCheckOptions& options) {
  std::vector<TSongFinding> out;
  if (!song.MidiFileLoaded) return out;
  Checker c(song, TFindingSource::Song, out);
  const int32_t lastNote = c.NoteSpan().second;
  c.Notes(NoteTolerance(song, options), lastNote);
  c.LineWidths(options.KeyboardLineWidth);
  c.Characters();
  c.Header();
  if (lastNote >= 0)
    c.AfterEnd(lastNote + 1, "Die Silbe kommt nach der letzten Note des Liedes.",
               "The syllable comes after the song's last note.");
  c.Prompter(false);
  SortFindings(out);
  return out;
}

std::vector<TSongFinding> CheckSongFile(const std::string& path, const TConfiguration& configuration) {
  std::vector<TSongFinding> out;
  Song scratch;
  scratch.Configuration = configuration;
  // Read the file as it is: keep its Prompta data and leave its controllers alone.
  scratch.Configuration.PromptaEnabled = false;
  scratch.Configuration.InsertController32 = false;
  scratch.Configuration.DeleteController32 = false;
  OpenSongOptions options;
  options.AfterExtract = [&out](Song& song) { CheckAsRead(song, out); };
  DateiOeffnen(scratch, path, options);
  SortFindings(out);
  return out;
}

bool HasError(const std::vector<TSongFinding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const TSongFinding& f) { return f.Severity == TFindingSeverity::Error; });
}

void SortFindings(std::vector<TSongFinding>& findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const TSongFinding& a, const TSongFinding& b) {
    if (a.SongPosition != b.SongPosition) return a.SongPosition < b.SongPosition;
    return a.Source == TFindingSource::File && b.Source == TFindingSource::Song;
  });
}

const char* FindingSeverityName(TFindingSeverity severity) {
  return severity == TFindingSeverity::Error ? "error" : "warning";
}

const char* FindingSourceName(TFindingSource source) { return source == TFindingSource::File ? "file" : "song"; }

}  // namespace cv
