#include "session/OpenSong.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

#include "lyrics/InsertLyrics.h"
#include "output/Controller32.h"
#include "output/Prompta.h"
#include "song/ByteBuffer.h"
#include "song/Language.h"
#include "song/LyricsExtraction.h"
#include "song/MidiFileReader.h"
#include "song/SongErrors.h"
#include "song/TimeMap.h"

namespace cv {

namespace {

// Why a file cannot be read, with what the user can do about it.
EMidiError CannotRead(const std::string& fileName) {
  return EMidiError(CannotReadFile(fileName, "Song-Datei", "a song file", "Wählen Sie eine .mid- oder .kar-Datei.",
                                   "Choose a .mid or .kar file."));
}

// The file's bytes, read into memory that is not cleared first.
ByteBuffer LoadFile(const std::string& fileName) {
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  // A folder would report an endless size and a pipe would block: only plain files are read.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec)) throw CannotRead(fileName);
  std::unique_ptr<std::FILE, Closer> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) throw CannotRead(fileName);
  if (std::fseek(file.get(), 0, SEEK_END) != 0) throw CannotRead(fileName);
  long size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) throw CannotRead(fileName);
  if (size < 24)
    throw EMidiError(Tr("Die Datei ist nur " + std::to_string(size) +
                           " Bytes lang, zu kurz für einen Song: Sie ist leer, beschädigt oder unvollständig.",
                       "The file is only " + std::to_string(size) +
                           " bytes long, too short for a song: it is empty, damaged or incomplete."));
  ByteBuffer bytes(static_cast<size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) throw CannotRead(fileName);
  return bytes;
}

}  // namespace

void ReadSongData(Song& song, std::span<const uint8_t> bytes, const YesNoQuestion& askRemovePrompta,
                  StampedTimes* stamped) {
  ParseMidiData(song, bytes, stamped);
  // Steps that add or remove events leave the times to the time map.
  const bool changes = song.Configuration.InsertController32 || song.Configuration.DeleteController32;
  if (song.PromptaControllerTrack >= 0 &&
      (song.Configuration.PromptaEnabled || (askRemovePrompta && askRemovePrompta(PromptaQuestionText(song))))) {
    RemovePromptaData(song);
    if (stamped) stamped->Valid = false;
  }
  if (song.Configuration.InsertController32) InsertController32(song);
  if (song.Configuration.DeleteController32) DeleteController32(song);
  if (changes && stamped) stamped->Valid = false;
  DeleteDrumBankSelect(song, stamped);
}

void BuildSongTimeMap(Song& song, const StampedTimes* stamped) {
  // The practice speed stretches the zones themselves; the tempos stay the file's.
  BuildTimeMap(song, stamped);
}

void ReadXFChords(Song& song) {
  if (song.XF_Counter <= 5 || song.XF_TrackNb < 0 || song.XF_TrackNb >= static_cast<int32_t>(song.MidiTrack.size()))
    return;
  song.XF_ChordsArray.assign(static_cast<size_t>(song.XF_Counter), TXF_Chords{});
  song.XF_Counter = 0;
  PtrMidiEvent first = song.MidiTrack[song.XF_TrackNb].TrkFirstEvent;
  for (PtrMidiEvent e = first; e && e->NextEvent; e = e->NextEvent) {
    if (e->Command != 0xFF || e->MType != 0x7F || e->Meta.size() != 7) continue;
    if (std::memcmp(e->Meta.data(), "\x43\x7B\x01", 3) != 0) continue;
    if (song.XF_Counter >= static_cast<int32_t>(song.XF_ChordsArray.size())) song.XF_ChordsArray.emplace_back();
    // The bytes as read: every byte value is a valid chord byte here, so none can fail.
    TXF_Chords& c = song.XF_ChordsArray[static_cast<size_t>(song.XF_Counter++)];
    c.BassOrgValue = static_cast<uint8_t>(e->Meta[5]);
    c.ChordOrgValue = static_cast<uint8_t>(e->Meta[3]);
  }
}

OpenSongResult DateiOeffnen(Song& song, const std::string& fileToOpen, const OpenSongOptions& options) {
  OpenSongResult result;
  if (song.Player && song.Player->Playing()) song.Player->Stop();
  // Always start from an empty song, also after an earlier open failed half-way.
  ClearMidiMemory(song);
  try {
    if (options.AfterRelease) options.AfterRelease(song);
    song.MidiFileName = fileToOpen;
    song.PromptaControllerTrack = -1;
    StampedTimes stamped;
    ReadSongData(song, LoadFile(fileToOpen), options.AskRemovePrompta, &stamped);
    if (options.ForceEncoding) song.Encoding = *options.ForceEncoding;

    BuildSongTimeMap(song, &stamped);
    if (!song.Configuration.XF_Format) ReadXFChords(song);
    ExtractLyrics(song);
    // Once, with the lyrics: timed syllables say where the melody is.
    UseMelody(song);
    song.CurrentHyphen = -1;
    if (options.AfterExtract) options.AfterExtract(song);

    song.LyricsOffset = 0;
    song.MidiFileLoaded = true;
    // The transport starts at the song start in both lyrics modes.
    if (song.Player) song.Player->MoveToPosition(0);
    result.EditingMode = song.HyphenArrayElements < 1;
    // Every event was stamped with the time map above and none has moved since.
    if (!result.EditingMode) InsertLyrics(song, true);
    for (TMyTrack& track : song.MidiTrack) track.TrkPlayEvent = track.TrkFirstEvent;
    song.MelodyTrack.TrkPlayEvent = song.MelodyTrack.TrkFirstEvent;
  } catch (...) {
    ClearMidiMemory(song);
    try {
      throw;
    } catch (const std::bad_alloc&) {
      throw OutOfMemory();
    } catch (const EMidiError& e) {
      // The time map's bare faults get what they mean for the file.
      const std::string text = e.what();
      if (text != RangeError().what() && text != OverflowError().what()) throw;
      throw EMidiError(DamagedFile(Tr("Eine Zeit oder ein Takt des Songs ist größer, als das Programm zählen kann",
                                      "A time or bar of the song is larger than this program can count")));
    }
  }
  return result;
}

}  // namespace cv
