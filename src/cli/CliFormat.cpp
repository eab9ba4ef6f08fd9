#include "cli/CliFormat.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "output/BatchConvert.h"
#include "output/MidiFileWriter1.h"
#include "output/CV_EditTranspose.h"
#include "output/KarFileWriter.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"
#include "song/TextCodec.h"
#include "song/TimeMap.h"

namespace cvcli {
namespace {

std::string Utf8(const std::u16string& text) { return cv::Utf16ToUtf8(text); }

// A tick position with its time and position text.
Json Position(cv::Song& song, int32_t songPosition) {
  const std::string mtc = Utf8(cv::SongPositionToMTC(song, songPosition));
  return {{"SongPosition", songPosition}, {"Time", song.SongPositionToTime}, {"MTC", mtc}};
}

// Entries inside the song (the lists' end markers after its last event are left out).
bool InSong(const cv::Song& song, int32_t songPosition) {
  return songPosition >= 0 && songPosition <= song.MaxSongPosition;
}

int Bpm(int32_t tempoLongInt) {
  return tempoLongInt > 0 ? static_cast<int>(cv::RoundHalfEven(60000000.0 / tempoLongInt)) : 0;
}

// A track as the file holds it: the lyric events the reader gathered into the lyrics track count
// with the track they came from.
Json Track(const cv::Song& song, size_t index) {
  const cv::TMyTrack& track = song.MidiTrack[index];
  std::string name;
  if (track.TrkNameEvent) name = Utf8(cv::DecodeText(track.TrkNameEvent->Meta, song.Encoding));
  uint32_t used = 0;  // bit c: channel c + 1
  int events = 0;
  for (const cv::TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent) {
    ++events;
    if (e->DType == cv::DTypeChannel) used |= 1u << (e->Command & 0x0F);
  }
  Json channels = Json::array();
  for (int c = 0; c < 16; ++c)
    if (used & (1u << c)) channels.push_back(c + 1);
  const int lyrics = index < song.LyricOrigin.size() ? song.LyricOrigin[index].Count : 0;
  return {{"Index", index}, {"Name", name}, {"Channels", channels}, {"Events", events + lyrics}, {"LyricEvents", lyrics}};
}

// The tracks the program writes besides the file's own (format 1): the lyrics, the Prompta data.
Json AddedTracks(const cv::Song& song) {
  Json added = Json::array();
  const auto eventsIn = [&](int index) {
    return index < static_cast<int>(song.MidiTrack.size()) ? song.MidiTrack[index].TrkEventCounter : 0;
  };
  // Fewer than three events: name and end only, the writer leaves it out.
  if (eventsIn(song.LyricsTrackIndex()) >= 3)
    added.push_back({{"Name", "Lyrics"}, {"Events", eventsIn(song.LyricsTrackIndex())}});
  if (cv::PromptaTrackWritten(song))
    added.push_back({{"Name", "Prompta"}, {"Events", eventsIn(song.PromptaTrackIndex())}});
  return added;
}

Json KeySignature(cv::Song& song, size_t track, const cv::TKeySigns& key) {
  Json k = {{"Track", track}};
  k.update(Position(song, key.MidiEvent->Position));
  k["Sharps"] = cv::KeySharpsNow(key);  // negative: flats
  k["Minor"] = key.MI != 0;
  return k;
}

std::string JoinedChannels(const Json& channels) {
  if (channels.empty()) return "-";
  std::string list;
  for (const Json& c : channels) list += (list.empty() ? "" : ",") + std::to_string(c.get<int>());
  return list;
}

std::string KeyName(const Json& key) {
  const int sharps = key["Sharps"];
  const bool minor = key["Minor"];
  return std::to_string(std::abs(sharps)) + " " + (sharps < 0 ? cv::Tr("b", "flat(s)") : cv::Tr("#", "sharp(s)")) +
         ", " + (minor ? cv::Tr("Moll", "minor") : cv::Tr("Dur", "major"));
}

// Line breaks and other control characters made visible on one line.
std::string Visible(const std::u16string& text) {
  std::string out;
  size_t plain = 0;  // start of the run of ordinary characters, converted as one (surrogate pairs)
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] >= 0x20) continue;
    out += cv::Utf16ToUtf8(std::u16string_view(text).substr(plain, i - plain));
    plain = i + 1;
    if (i == text.size()) break;
    const char16_t c = text[i];
    if (c == u'\r')
      out += "\\r";
    else if (c == u'\n')
      out += "\\n";
    else
      out += "^" + std::string(1, static_cast<char>('@' + c));
  }
  return out;
}

}  // namespace

// The melody in use: its parts (track index as in "tracks", channel 1..16; null: any), why, and a
// better choice of the finder when the fixed setting misses most syllables.
Json Melody(const cv::Song& song) {
  const cv::MelodyChoice& m = song.Melody;
  auto parts = [](const std::vector<cv::MelodyPart>& list) {
    Json out = Json::array();
    for (const cv::MelodyPart& p : list)
      out.push_back({{"Track", p.Track >= 0 ? Json(p.Track) : Json()},
                     {"Channel", p.Channel >= 0 ? Json(p.Channel + 1) : Json()},
                     {"From", p.From}});
    return out;
  };
  Json melody{{"Setting", cv::MelodySettingText(song.Configuration.Melody)},
              {"Automatic", m.Automatic},
              {"Parts", parts(m.Parts)},
              {"Syllables", m.Syllables},
              {"SyllablesOnNote", m.SyllablesOnNote},
              {"Reason", m.Reason}};
  if (!m.Better.empty())
    melody["Better"] = {{"Parts", parts(m.Better)},
                        {"Text", cv::PartsText(song, m.Better)},
                        {"SyllablesOnNote", m.BetterOnNote}};
  return melody;
}

Json SongInfo(cv::Song& song, const std::string& path) {
  Json tracks = Json::array();
  const size_t fileTracks = std::min<size_t>(song.NumberOfSourceTracks, song.MidiTrack.size());
  for (size_t t = 0; t < fileTracks; ++t) tracks.push_back(Track(song, t));
  Json tempos = Json::array();
  int32_t previousTempo = -1;
  for (const cv::TTempo& t : song.TempoArray) {
    // A tempo event repeating the tempo in force changes nothing.
    if (!InSong(song, t.SongPosition) || t.TempoLongInt == previousTempo) continue;
    previousTempo = t.TempoLongInt;
    Json entry = Position(song, t.SongPosition);
    entry["Bpm"] = Bpm(t.TempoLongInt);
    entry["MicrosecondsPerQuarter"] = t.TempoLongInt;
    tempos.push_back(entry);
  }
  Json signatures = Json::array();
  for (const cv::TTimeSign& t : song.TimeSignature) {
    if (!InSong(song, t.SongPosition)) continue;
    Json entry = Position(song, t.SongPosition);
    entry["Numerator"] = t.Numerator;
    entry["Denominator"] = t.Denominator;
    signatures.push_back(entry);
  }
  Json keys = Json::array();
  for (size_t t = 0; t < song.KeySignArray.size(); ++t)
    for (const cv::TKeySigns& k : song.KeySignArray[t].ValArray)
      if (k.MidiEvent) keys.push_back(KeySignature(song, t, k));
  Json length = Position(song, song.MaxSongPosition);
  length["Time"] = song.SongLength;  // as the player sees it

  Json info;
  info["file"] = path;
  info["format"] = song.MidiFileFormat;
  info["division"] = song.SourceTimeBase;
  info["tracks"] = tracks;
  info["addedTracks"] = AddedTracks(song);
  info["tempos"] = tempos;
  info["timeSignatures"] = signatures;
  info["keySignatures"] = keys;
  info["chords"] = song.XF_Present ? Json{{"Track", song.XF_TrackNb}, {"Count", song.XF_Counter}} : Json();
  info["prompta"] = song.PromptaControllerTrack >= 0
                        ? Json{{"Track", song.PromptaControllerTrack},
                               {"Channel", song.PromptaControllerChannel + 1},
                               {"Controller", song.PromptaController}}
                        : Json();
  info["length"] = length;
  // The file's track the lyric events were read from (the one holding most of them).
  int lyricsTrack = song.LyricsTrack;
  for (size_t t = 0, most = 0; t < song.LyricOrigin.size() && t < fileTracks; ++t)
    if (song.LyricOrigin[t].Count > static_cast<int32_t>(most)) {
      most = static_cast<size_t>(song.LyricOrigin[t].Count);
      lyricsTrack = static_cast<int>(t);
    }
  info["lyrics"] = song.HyphenArrayElements > 0
                       ? Json{{"Syllables", song.HyphenArrayElements},
                              {"Events", song.LyricsMetaType == 5 ? "lyric" : "text"},
                              {"Track", lyricsTrack}}
                       : Json();
  info["encoding"] = cv::EncodingName(song.Encoding);
  info["melody"] = Melody(song);
  return info;
}

void SongInfoText(const Json& info, std::ostream& out) {
  out << "Format: " << info["format"] << "\n"
      << cv::Tr("Zeitbasis: ", "Division: ") << info["division"] << cv::Tr(" Ticks pro Viertel", " ticks per quarter")
      << "\n"
      << cv::Tr("Spuren: ", "Tracks: ") << info["tracks"].size() << "\n";
  for (const Json& t : info["tracks"]) {
    char head[80];
    std::snprintf(head, sizeof head, "  %3d  %-8s %-12s %7d %s  ", t["Index"].get<int>(),
                  t["Channels"].size() > 1 ? cv::Tr("Kanäle", "channels") : cv::Tr("Kanal", "channel"),
                  JoinedChannels(t["Channels"]).c_str(), t["Events"].get<int>(), cv::Tr("Ereignisse", "events"));
    out << head << t["Name"].get<std::string>();
    if (const int lyrics = t["LyricEvents"]; lyrics > 0)
      out << " (" << lyrics << cv::Tr(" Liedtext-Ereignisse)", " lyric events)");
    out << "\n";
  }
  for (const Json& t : info["addedTracks"]) {
    char head[80];
    std::snprintf(head, sizeof head, "    +  %-21s %7d %s  ", "", t["Events"].get<int>(), cv::Tr("Ereignisse", "events"));
    out << head << t["Name"].get<std::string>()
        << cv::Tr(" (vom Programm, eigene Spur beim Speichern als Format 1)",
                  " (made by the program, a track of its own when saved as format 1)")
        << "\n";
  }
  out << "Tempo:";
  for (const Json& t : info["tempos"]) out << "  " << t["MTC"].get<std::string>() << ": " << t["Bpm"] << " bpm";
  out << "\n" << cv::Tr("Taktarten:", "Time signatures:");
  for (const Json& t : info["timeSignatures"])
    out << "  " << t["MTC"].get<std::string>() << ": " << t["Numerator"] << "/" << t["Denominator"];
  out << "\n" << cv::Tr("Tonarten:", "Key signatures:");
  for (const Json& k : info["keySignatures"])
    out << "  " << cv::Tr("Spur ", "track ") << k["Track"] << " @" << k["MTC"].get<std::string>() << ": " << KeyName(k);
  out << "\nXF: ";
  if (const Json& chords = info["chords"]; !chords.is_null())
    out << chords["Count"] << cv::Tr(" Akkorde in Spur ", " chords in track ") << chords["Track"];
  else
    out << cv::Tr("keine Akkorde", "no chords");
  out << "\nPrompta: ";
  if (const Json& prompta = info["prompta"]; !prompta.is_null())
    out << cv::Tr("gefunden in Spur ", "found in track ") << prompta["Track"] << cv::Tr(", Kanal ", ", channel ")
        << prompta["Channel"] << ", Controller " << prompta["Controller"];
  else
    out << cv::Tr("keine Daten", "no data");
  for (const Json& t : info["tracks"])
    if (t["Name"] == "Prompta" && info["prompta"].is_null())
      out << cv::Tr(" (Spur ", " (track ") << t["Index"]
          << cv::Tr(" heißt nur so, sie enthält keine Prompta-Controller)", " only bears the name, it holds no Prompta controllers)");
  const Json& length = info["length"];
  out << "\n" << cv::Tr("Länge: ", "Length: ") << length["Time"] << " ms (" << length["MTC"].get<std::string>() << ", "
      << length["SongPosition"] << " ticks)\n"
      << cv::Tr("Liedtext: ", "Lyrics: ");
  if (const Json& lyrics = info["lyrics"]; !lyrics.is_null())
    out << lyrics["Syllables"] << cv::Tr(" Silben aus ", " syllables from ")
        << (lyrics["Events"] == "lyric" ? cv::Tr("Lyric-Ereignissen", "lyric events")
                                        : cv::Tr("Text-Ereignissen", "text events"))
        << cv::Tr(", Spur ", ", track ") << lyrics["Track"];
  else
    out << cv::Tr("keiner", "none");
  out << cv::Tr(", Kodierung ", ", encoding ") << info["encoding"].get<std::string>() << "\n";
  const Json& melody = info["melody"];
  out << cv::Tr("Melodie: ", "Melody: ") << melody["Reason"].get<std::string>() << "\n";
  if (melody.contains("Better"))
    out << cv::Tr("  Die Melodiesuche fände ", "  The melody finder would take ")
        << melody["Better"]["Text"].get<std::string>() << ": " << melody["Better"]["SyllablesOnNote"] << cv::Tr(" Silben auf einer Note (--melody auto)",
                                                      " syllables on a note (--melody auto)")
        << "\n";
}

void WriteSyllables(CliOutput& output, const cv::Song& song, const std::string& path) {
  const int n = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  std::ostream& out = output.Out();
  if (output.IsJson()) {
    out << "{\"file\":" << DumpJson(Json(path)) << ",\"syllables\":[";
    for (int i = 0; i < n; ++i) {
      const cv::THyphens& h = song.HyphenArray[i];
      if (i > 0) out << ',';
      out << DumpJson(
          {{"Text", Utf8(h.Text)}, {"SongPosition", h.SongPosition}, {"Time", h.Time}, {"MTC", Utf8(h.MTC)}});
    }
    out << "]}\n";
  } else if (n == 0) {
    out << cv::Tr("Keine Liedtexte.", "No lyrics.") << "\n";
  } else {
    out << "    #  Position          Tick        ms  Text\n";
    char buf[96];
    for (int i = 0; i < n; ++i) {
      const cv::THyphens& h = song.HyphenArray[i];
      std::snprintf(buf, sizeof buf, "%5d  %-12s %9d %9d  ", i, Utf8(h.MTC).c_str(), h.SongPosition, h.Time);
      out << buf << Visible(h.Text) << "\n";
    }
  }
  out.flush();
}

void PlainText(const Json& result, std::ostream& out) {
  const std::string text = result["text"];
  if (!text.empty()) out << text << "\n";
}

Json Written(const cv::Song& song, const std::string& path, int format) {
  Json kind = format == cv::kKarFormat ? Json("kar") : Json(format);
  return {{"written", path}, {"format", kind}, {"syllables", song.HyphenArrayElements}};
}

void WrittenText(const Json& result, std::ostream& out) {
  out << cv::Tr("Geschrieben: ", "Written: ") << result["written"].get<std::string>();
  if (result["format"].is_string())
    out << cv::Tr(" (Karaoke-Datei, ", " (karaoke file, ");
  else
    out << cv::Tr(" (Format ", " (format ") << result["format"] << ", ";
  out << result["syllables"] << cv::Tr(" Silben)", " syllables)") << "\n";
}

void WordsText(const Json& result, std::ostream& out) {
  for (const Json& word : result["words"]) out << word.get<std::string>() << "\n";
}

void BatchText(const Json& result, std::ostream& out) {
  cv::BatchSummary summary;
  summary.Converted = result["converted"];
  summary.Skipped = result["skipped"];
  summary.Failed = result["failed"].size();
  out << cv::BatchSummaryText(summary) << "\n";
}

void PortsText(const Json& result, std::ostream& out) {
  const std::string system = result["midiSystem"].is_null() ? cv::Tr("kein MIDI-System", "no MIDI system")
                                                             : result["midiSystem"].get<std::string>();
  out << cv::Tr("MIDI-Ausgänge", "MIDI outputs") << " (" << system << "):\n";
  if (result["midiOutputs"].empty()) out << "  " << cv::Tr("(keine)", "(none)") << "\n";
  for (const Json& m : result["midiOutputs"]) out << "  " << m.get<std::string>() << "\n";
  out << cv::Tr("Audiogeräte", "Audio devices") << ":\n";
  if (result["audioDevices"].empty())
    out << "  "
        << cv::Tr("(keine: der Synthesizer kann in eine WAV-Datei spielen)",
                  "(none: the synthesizer can render into a WAV file)")
        << "\n";
  for (const Json& a : result["audioDevices"])
    out << "  " << a["Name"].get<std::string>() << "  [" << a["Driver"].get<std::string>() << "]\n";
  if (!result["soundFont"].is_null()) out << "SoundFont: " << result["soundFont"].get<std::string>() << "\n";
}

void RenderedText(const Json& result, std::ostream& out) {
  const double audio = result["audioSeconds"];
  const double render = result["renderSeconds"];
  char line[160];
  std::snprintf(line, sizeof line, ": %.1f s %s%.1f s (%.1fx %s), SoundFont ", audio, cv::Tr("Audio in ", "of audio in "),
                render, render > 0 ? audio / render : 0.0, cv::Tr("Echtzeit", "real time"));
  out << result["written"].get<std::string>() << line << result["soundFont"].get<std::string>() << "\n";
}

void PlayedText(const Json&, std::ostream&) {}

}  // namespace cvcli
