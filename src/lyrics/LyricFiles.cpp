#include "lyrics/LyricFiles.h"

#include <filesystem>

#include "output/SaveFile.h"
#include "song/ChainEdit.h"
#include "song/Language.h"
#include "song/LyricsExtraction.h"
#include "song/TextCodec.h"

namespace cv {
namespace {

namespace fs = std::filesystem;

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

std::string EmptyFileMessage(const std::string& path) {
  const std::string name = BaseName(path);
  return Tr("Die Datei \"" + name + "\"\nist leer - Vorgang wird abgebrochen!",
            "The file \"" + name + "\"\nis empty - converting aborted!");
}

TLyricTextLoad Failed(TLyricLoadStatus status, std::string message) {
  TLyricTextLoad r;
  r.Status = status;
  r.Message = std::move(message);
  return r;
}

}  // namespace

TLyricTextLoad ReadLyricTextFile(const std::string& path,
                                 const std::vector<std::unique_ptr<DocumentReader>>& readers) {
  std::error_code ec;
  if (!fs::exists(fs::u8path(path), ec)) {
    const std::string name = BaseName(path);
    return Failed(TLyricLoadStatus::NotFound, Tr("Die Datei \"" + name + "\" wurde nicht gefunden.",
                                                 "The file \"" + name + "\" was not found."));
  }
  const DocumentReader* reader = nullptr;
  for (const auto& r : readers)
    if (r && r->SupportsFile(path)) {
      reader = r.get();
      break;
    }
  if (!reader) return Failed(TLyricLoadStatus::Empty, EmptyFileMessage(path));

  std::vector<std::u16string> lines;
  try {
    lines = reader->ReadLines(path);
  } catch (const EDocumentError& e) {
    return Failed(TLyricLoadStatus::Unreadable, e.what());
  } catch (const std::exception&) {
    const std::string name = BaseName(path);
    return Failed(TLyricLoadStatus::Unreadable, Tr("Die Datei \"" + name + "\" kann nicht gelesen werden.",
                                                   "The file \"" + name + "\" cannot be read."));
  }
  if (lines.size() > kMaxDocumentLines) {
    const std::string name = BaseName(path);
    return Failed(TLyricLoadStatus::Unreadable,
                  Tr("Die Datei \"" + name + "\" hat zu viele Zeilen.", "The file \"" + name + "\" has too many lines."));
  }
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
  // Lyric events of the file's tracks and of the lyrics track: a zero length leaves them out
  // of every written file.
  for (int t = 0; t <= song.LyricsTrackIndex() && t < tracks; ++t) {
    for (PtrMidiEvent e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent) {
      if (IsMetaEvent(*e, 5)) {
        e->Meta.clear();
        e->DLength = 0;
      }
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
