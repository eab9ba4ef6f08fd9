#include "lyrics/LyricFiles.h"

#include <filesystem>
#include <new>

#include "output/SaveFile.h"
#include "song/ChainEdit.h"
#include "song/Language.h"
#include "song/SongErrors.h"
#include "song/LyricsExtraction.h"
#include "song/TextCodec.h"

namespace cv {
namespace {

namespace fs = std::filesystem;

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

std::string EmptyFileMessage(const std::string& path) {
  const std::string name = BaseName(path);
  return Tr("Die Datei \"" + name + "\" enthält keinen Text. Wählen Sie eine Datei mit Songname, Interpret und "
            "Liedtext.\nDie Datei \"" + name + "\"\nist leer - Vorgang wird abgebrochen!",
            "The file \"" + name + "\" holds no text. Choose a file with the song name, the artist and the lyrics."
            "\nThe file \"" + name + "\"\nis empty - converting aborted!");
}

TLyricTextLoad Failed(TLyricLoadStatus status, std::string message) {
  TLyricTextLoad r;
  r.Status = status;
  r.Message = std::move(message);
  return r;
}

// Binary data read as text: NUL characters, or control characters in more than one of ten.
bool LooksBinary(const std::vector<std::u16string>& lines) {
  size_t total = 0, control = 0;
  for (const std::u16string& line : lines)
    for (char16_t c : line) {
      if (c == 0) return true;
      ++total;
      if ((c < 0x20 && c != u'\t') || (c >= 0x7F && c < 0xA0)) ++control;
    }
  return control * 10 > total;
}

// Every word, hyphen and line end may become a syllable: more than the limit is refused before
// the syllables and their events are built.
bool MoreSyllablesThanASongHolds(const std::vector<std::u16string>& lines) {
  size_t syllables = 2 * lines.size();  // a word and the line end
  for (const std::u16string& line : lines)
    for (char16_t c : line) syllables += c == u' ' || c == u'-' || c == u'\t';
  return syllables > kMaxLyricSyllables;
}

}  // namespace

TLyricTextLoad ReadLyricTextFile(const std::string& path,
                                 const std::vector<std::unique_ptr<DocumentReader>>& readers) {
  const std::string name = BaseName(path);
  std::error_code ec;
  const fs::file_status status = fs::status(fs::u8path(path), ec);
  if (!fs::exists(status))
    return Failed(TLyricLoadStatus::NotFound,
                  Tr("Die Datei \"" + name + "\" wurde nicht gefunden. Prüfen Sie Name und Ordner.",
                     "The file \"" + name + "\" was not found. Check its name and folder."));
  if (!fs::is_regular_file(status))
    return Failed(TLyricLoadStatus::Unreadable,
                  CannotReadFile(path, "Textdatei", "a text file",
                                 "Wählen Sie eine .txt-, .rtf-, .doc-, .docx- oder .odt-Datei.",
                                 "Choose a .txt, .rtf, .doc, .docx or .odt file."));
  const DocumentReader* reader = nullptr;
  for (const auto& r : readers)
    if (r && r->SupportsFile(path)) {
      reader = r.get();
      break;
    }
  if (!reader)
    return Failed(TLyricLoadStatus::Unsupported,
                  Tr("Die Datei \"" + name + "\" hat keinen unterstützten Typ: Liedtexte werden aus .txt-, .rtf-, "
                     ".doc-, .docx-, .odt- und .lrc-Dateien gelesen. Speichern Sie den Text in einem dieser Formate "
                     "und laden Sie ihn dann.",
                     "The file \"" + name + "\" is not a supported type: lyric texts are read from .txt, .rtf, "
                     ".doc, .docx, .odt and .lrc files. Save the text in one of these formats, then load it."));

  std::vector<std::u16string> lines;
  try {
    lines = reader->ReadLines(path);
  } catch (const EDocumentError& e) {
    return Failed(TLyricLoadStatus::Unreadable, e.what());
  } catch (const std::bad_alloc&) {
    return Failed(TLyricLoadStatus::Unreadable,
                  Tr("Für den Text der Datei \"" + name + "\" reicht der Arbeitsspeicher nicht. Wählen Sie den "
                     "Liedtext des Songs; er ist viel kleiner.",
                     "There is not enough memory for the text of \"" + name + "\". Choose the song's lyric text; "
                     "it is far smaller."));
  } catch (const std::exception&) {
    return Failed(TLyricLoadStatus::Unreadable,
                  CannotReadFile(path, "Textdatei", "a text file", "", ""));
  }
  if (lines.size() > kMaxDocumentLines || MoreSyllablesThanASongHolds(lines))
    return Failed(TLyricLoadStatus::Unreadable,
                  Tr("Der Text der Datei \"" + name + "\" ist länger, als ein Song fassen kann (höchstens 100 000 "
                     "Zeilen und 300 000 Silben). Wählen Sie den Liedtext des Songs oder teilen Sie den Text.",
                     "The text of \"" + name + "\" is longer than a song can hold (at most 100,000 lines and "
                     "300,000 syllables). Choose the song's lyric text, or split the text."));
  if (LooksBinary(lines))
    return Failed(TLyricLoadStatus::NotText,
                  Tr("Die Datei \"" + name + "\" ist kein Liedtext: Sie enthält Binärdaten (Null-Bytes oder "
                     "Steuerzeichen). Wählen Sie die Textdatei mit dem Liedtext; ist es ein Text in UTF-16 ohne "
                     "Kennung, speichern Sie ihn als UTF-8.",
                     "The file \"" + name + "\" is not a lyric text: it holds binary data (NUL bytes or control "
                     "characters). Choose the text file with the lyrics; if it is a UTF-16 text without a byte order "
                     "mark, save it as UTF-8."));
  // Normalised first, so that a line of TABs or control characters counts as blank.
  for (std::u16string& line : lines) line = NormaliseLine(line, 8);
  DropBlankLines(lines);
  if (lines.empty()) return Failed(TLyricLoadStatus::Empty, EmptyFileMessage(path));
  TLyricTextLoad result;
  result.Lines = std::move(lines);
  return result;
}

TEditorText OpenLyricText(Song& song, const std::vector<std::u16string>& lines) {
  TEditorText t;
  t.Text = JoinLines(lines);
  song.TextChanged = false;
  song.EditingText = true;
  song.QuerryForRules = true;
  return t;
}

std::string LyricTextFileContent(const Song& song) {
  std::u16string text = BuildEditText(song).Text;
  if (!text.empty() && text.back() != u'\n') text.push_back(u'\n');
  return Utf16ToUtf8(text);
}

void SaveLyricTextFile(const Song& song, const std::string& path) {
  const std::string content = LyricTextFileContent(song);
  const FileWriteResult r = WriteFileSafely(path, std::vector<uint8_t>(content.begin(), content.end()));
  if (!r.Ok) throw EDocumentError(SaveMessage(SaveTexts::Other, r, path));
}

std::string DeleteLyricsQuestion() { return Tr("Sollen die Lyrics entfernt werden?", "Delete the lyrics?"); }

void DeleteLyrics(Song& song) {
  const int tracks = static_cast<int>(song.MidiTrack.size());
  // Lyric events of the file's tracks and of the lyrics track: emptied, they are left out of
  // every written file.
  for (int t = 0; t <= song.LyricsTrackIndex() && t < tracks; ++t) {
    for (PtrMidiEvent e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent) {
      if (IsMetaEvent(*e, 5)) e->Meta.clear();
    }
  }
  // The Prompta data were made from the lyrics: without them they would prompt stale text.
  const int prompta = song.PromptaTrackIndex();
  if (prompta < tracks) {
    TMyTrack& track = song.MidiTrack[prompta];
    PtrMidiEvent prev = track.TrkFirstEvent;
    while (prev && prev->NextEvent && prev->NextEvent != track.TrkLastEvent) {
      PtrMidiEvent e = prev->NextEvent;
      if (IsMetaEvent(*e, 3) && e->Meta == "Prompta")
        prev = e;
      else
        RemoveEventAfter(song, track, prev, 2);
    }
    if (song.PromptaControllerTrack == prompta) song.PromptaControllerTrack = -1;
  }
  song.HyphenArray.clear();
  song.HyphenArrayElements = 0;
  song.CurrentHyphen = -1;
  if (song.Player) song.Player->MoveToPosition(song.Player->TimePosition());
}

}  // namespace cv
