// cantovex-cli info SONG: what the reader found in a song.
#include <cstdio>
#include <sstream>

#include "cli/CliCommand.h"
#include "cli/CliSong.h"
#include "song/Language.h"
#include "song/TextCodec.h"
#include "song/TimeMap.h"

namespace cvcli {
namespace {

struct TrackInfo {
  int index;
  std::string name;  // UTF-8
  int channel;
  int events;
};

std::vector<TrackInfo> Tracks(const cv::Song& song) {
  std::vector<TrackInfo> out;
  for (size_t t = 0; t < song.MidiTrack.size(); ++t) {
    const cv::TMyTrack& track = song.MidiTrack[t];
    std::string name;
    if (track.TrkNameEvent) name = EventText(song, track.TrkNameEvent->Meta);
    else if (static_cast<int>(t) == song.LyricsTrackIndex()) name = "Lyrics";
    else if (static_cast<int>(t) == song.PromptaTrackIndex()) name = "Prompta";
    out.push_back({static_cast<int>(t), name, track.TrkMidiChannel, track.TrkEventCounter});
  }
  return out;
}

// Tempo entries inside the song (the end markers after its last event are left out).
std::vector<const cv::TTempo*> Tempos(const cv::Song& song) {
  std::vector<const cv::TTempo*> out;
  for (const cv::TTempo& t : song.TempoArray)
    if (t.SongPosition >= 0 && t.SongPosition <= song.MaxSongPosition) out.push_back(&t);
  return out;
}

std::vector<const cv::TTimeSign*> Signatures(const cv::Song& song) {
  std::vector<const cv::TTimeSign*> out;
  for (const cv::TTimeSign& t : song.TimeSignature)
    if (t.SongPosition >= 0 && t.SongPosition <= song.MaxSongPosition) out.push_back(&t);
  return out;
}

int Bpm(int32_t tempoLongInt) {
  return tempoLongInt > 0 ? static_cast<int>(cv::RoundHalfEven(60000000.0 / tempoLongInt)) : 0;
}

void PrintJson(const cv::Song& song, std::ostream& out) {
  out << "{\n  \"MidiFileFormat\": " << int(song.MidiFileFormat)
      << ",\n  \"NumberOfSourceTracks\": " << song.NumberOfSourceTracks
      << ",\n  \"SourceTimeBase\": " << song.SourceTimeBase << ",\n  \"MaxSongPosition\": " << song.MaxSongPosition
      << ",\n  \"SongLength\": " << song.SongLength << ",\n  \"LyricsMetaType\": " << song.LyricsMetaType
      << ",\n  \"LyricsTrack\": " << song.LyricsTrack << ",\n  \"Encoding\": " << JsonString(cv::EncodingName(song.Encoding))
      << ",\n  \"HyphenArrayElements\": " << song.HyphenArrayElements << ",\n  \"Tracks\": [";
  auto tracks = Tracks(song);
  for (size_t i = 0; i < tracks.size(); ++i)
    out << (i ? ",\n    " : "\n    ") << "{\"Index\": " << tracks[i].index << ", \"Name\": " << JsonString(tracks[i].name)
        << ", \"TrkMidiChannel\": " << tracks[i].channel << ", \"TrkEventCounter\": " << tracks[i].events << "}";
  out << "\n  ],\n  \"TempoArray\": [";
  auto tempos = Tempos(song);
  for (size_t i = 0; i < tempos.size(); ++i)
    out << (i ? ", " : "") << "{\"SongPosition\": " << tempos[i]->SongPosition
        << ", \"TempoLongInt\": " << tempos[i]->TempoLongInt << ", \"Tempo\": " << Bpm(tempos[i]->TempoLongInt) << "}";
  out << "],\n  \"TimeSignature\": [";
  auto sigs = Signatures(song);
  for (size_t i = 0; i < sigs.size(); ++i)
    out << (i ? ", " : "") << "{\"SongPosition\": " << sigs[i]->SongPosition << ", \"Numerator\": " << int(sigs[i]->Numerator)
        << ", \"Denominator\": " << int(sigs[i]->Denominator) << "}";
  out << "],\n  \"KeySignatures\": [";
  bool first = true;
  for (size_t t = 0; t < song.KeySignArray.size(); ++t)
    for (const cv::TKeySigns& k : song.KeySignArray[t].ValArray) {
      if (!k.MidiEvent) continue;
      out << (first ? "" : ", ") << "{\"Track\": " << t << ", \"SongPosition\": " << k.MidiEvent->Position
          << ", \"SF\": " << k.SF << ", \"MI\": " << k.MI << "}";
      first = false;
    }
  out << "],\n  \"XF_Present\": " << (song.XF_Present ? "true" : "false") << ",\n  \"XF_Counter\": " << song.XF_Counter
      << ",\n  \"XF_TrackNb\": " << song.XF_TrackNb << ",\n  \"PromptaControllerTrack\": " << song.PromptaControllerTrack
      << ",\n  \"PromptaController\": " << int(song.PromptaController)
      << ",\n  \"PromptaControllerChannel\": " << int(song.PromptaControllerChannel) << "\n}\n";
}

std::string KeyName(int sf, int mi) {
  int s = sf > 127 ? sf - 256 : sf;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%d %s, %s", s < 0 ? -s : s,
                s < 0 ? cv::Tr("b", "flat(s)") : cv::Tr("#", "sharp(s)"), mi ? "minor" : "major");
  return buf;
}

void PrintText(const cv::Song& song, std::ostream& out) {
  out << cv::Tr("Format: ", "Format: ") << int(song.MidiFileFormat) << "\n"
      << cv::Tr("Zeitbasis: ", "Division: ") << song.SourceTimeBase << cv::Tr(" Ticks pro Viertel", " ticks per quarter")
      << "\n"
      << cv::Tr("Spuren: ", "Tracks: ") << song.NumberOfSourceTracks << "\n";
  for (const TrackInfo& t : Tracks(song)) {
    char buf[64];
    std::string channel = t.channel < 0 ? "-" : t.channel == 16 ? cv::Tr("mehrere", "several") : std::to_string(t.channel + 1);
    std::snprintf(buf, sizeof buf, "  %3d  %s %-8s %s %7d  ", t.index, cv::Tr("Kanal", "channel"), channel.c_str(),
                  cv::Tr("Ereignisse", "events"), t.events);
    out << buf << t.name << "\n";
  }
  out << cv::Tr("Tempo:", "Tempo:");
  for (const cv::TTempo* t : Tempos(song)) out << "  " << t->SongPosition << ": " << Bpm(t->TempoLongInt) << " bpm";
  out << "\n" << cv::Tr("Taktarten:", "Time signatures:");
  for (const cv::TTimeSign* t : Signatures(song))
    out << "  " << t->SongPosition << ": " << int(t->Numerator) << "/" << int(t->Denominator);
  out << "\n" << cv::Tr("Tonarten:", "Key signatures:");
  for (size_t t = 0; t < song.KeySignArray.size(); ++t)
    for (const cv::TKeySigns& k : song.KeySignArray[t].ValArray)
      if (k.MidiEvent)
        out << "  " << cv::Tr("Spur ", "track ") << t << " @" << k.MidiEvent->Position << ": " << KeyName(k.SF, k.MI);
  out << "\nXF: ";
  if (song.XF_Present)
    out << song.XF_Counter << cv::Tr(" Akkorde in Spur ", " chords in track ") << song.XF_TrackNb;
  else
    out << cv::Tr("keine Akkorde", "no chords");
  out << "\nPrompta: ";
  if (song.PromptaControllerTrack >= 0)
    out << cv::Tr("gefunden in Spur ", "found in track ") << song.PromptaControllerTrack << cv::Tr(", Kanal ", ", channel ")
        << int(song.PromptaControllerChannel) + 1 << ", Controller " << int(song.PromptaController);
  else
    out << cv::Tr("keine Daten", "no data");
  out << "\n" << cv::Tr("Länge: ", "Length: ") << song.SongLength << " ms (" << song.MaxSongPosition << " ticks)\n"
      << cv::Tr("Liedtext: ", "Lyrics: ");
  if (song.HyphenArrayElements > 0)
    out << song.HyphenArrayElements << cv::Tr(" Silben aus ", " syllables from ")
        << (song.LyricsMetaType == 5 ? cv::Tr("Lyric-Ereignissen", "lyric events") : cv::Tr("Text-Ereignissen", "text events"))
        << cv::Tr(", Spur ", ", track ") << song.LyricsTrack;
  else
    out << cv::Tr("keiner", "none");
  out << cv::Tr(", Kodierung ", ", encoding ") << cv::EncodingName(song.Encoding) << "\n";
}

int RunInfo(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args);
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  if (!song.Open(path, options)) return 1;
  if (ctx.json)
    PrintJson(song.Song(), *ctx.out);
  else
    PrintText(song.Song(), *ctx.out);
  return 0;
}

CliRegistrar registrar({"info", std::string("info ") + kSongOptionsUsage + " SONG",
                        "Show what a song holds: tracks, tempo, signatures, lyrics / Zeigt, was ein Lied enthält",
                        RunInfo});

}  // namespace
}  // namespace cvcli
