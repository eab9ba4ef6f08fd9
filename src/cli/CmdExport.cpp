// cantovex-cli export: the syllables as timed lyrics for other players (--lrc), or the song for a
// karaoke game (--ultrastar: a folder with the game's text file and the backing track).
#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"
#include "platform/Devices.h"
#include "song/Language.h"

namespace cvcli {
namespace {

void ExportedText(const Json& result, std::ostream& out) {
  out << cv::Tr("Geschrieben: ", "Written: ") << result["written"].get<std::string>() << " (LRC, "
      << result["syllables"] << cv::Tr(" Silben)", " syllables)") << "\n";
}

void GameText(const Json& result, std::ostream& out) {
  out << cv::Tr("Geschrieben: ", "Written: ") << result["text"].get<std::string>() << "\n"
      << cv::Tr("Geschrieben: ", "Written: ") << result["audio"].get<std::string>()
      << (result["withMelody"].get<bool>() ? cv::Tr(" (mit Melodie)", " (with the melody)")
                                            : cv::Tr(" (Begleitung ohne Melodie)", " (backing without the melody)"))
      << "\n"
      << result["notes"] << cv::Tr(" Noten", " notes");
  const int freestyle = result["freestyle"].get<int>();
  if (freestyle > 0)
    out << cv::Tr(", davon ", ", ") << freestyle
        << cv::Tr(" Silben ohne Melodienote als freie Noten (F)", " syllables without a melody note as freestyle (F)");
  out << "\n";
}

int RunExport(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args, false);
  const bool lrc = TakeFlag(ctx.args, "--lrc");
  const bool ultrastar = TakeFlag(ctx.args, "--ultrastar");
  const bool withMelody = TakeFlag(ctx.args, "--with-melody");
  const auto soundFont = TakeValue(ctx.args, "--soundfont");
  const auto language = TakeValue(ctx.args, "--song-lang");
  const auto melody = TakeMelodyOption(ctx.args);
  const auto audio = TakeValue(ctx.args, "--audio");
  std::string output = TakeValue(ctx.args, "-o").value_or("");
  if (output.empty()) output = TakeValue(ctx.args, "--output").value_or("");
  std::string path = TakeSongPath(ctx.args);
  if (lrc == ultrastar)
    throw CliUsageError{cv::Tr("Das Ausgabeformat fehlt (--lrc oder --ultrastar).",
                               "Give one output format (--lrc or --ultrastar).")};
  if (output.empty()) throw CliUsageError{cv::Tr("Kein Ziel angegeben (-o).", "No output given (-o).")};
  if (audio && *audio != "ogg" && *audio != "wav")
    throw CliUsageError{cv::Tr("--audio kennt ogg und wav, nicht \"" + *audio + "\".",
                               "--audio takes ogg or wav, not \"" + *audio + "\".")};
  if (audio && !ultrastar)
    throw CliUsageError{cv::Tr("--audio gehört zu --ultrastar.", "--audio goes with --ultrastar.")};
  CliSession song(ctx);
  if (melody) {
    cv::TConfiguration configuration;
    configuration.Melody = *melody;
    song.session.SetConfiguration(configuration);
  }
  if (language) song.session.SetSongLanguage(ParseSongLanguage(*language));
  if (!song.Open(path, options)) return 1;
  if (lrc) {
    if (!song.session.ExportLrc(output) || song.ui.Failed()) return 1;
    ctx.output.Result({{"written", output}, {"syllables", song.Song().HyphenArrayElements}}, ExportedText);
    return 0;
  }
  const cv::TAudioRenderer render = [&](const cv::Song& s, const std::string& file, int muted, std::string& message) {
    return cv::RenderSongToAudio(s, file, muted, soundFont.value_or(""), message);
  };
  // Ogg Vorbis where the system can write it: a tenth of the WAV, and every game plays it.
  const std::string extension = audio ? "." + *audio : cv::OggVorbisAvailable() ? ".ogg" : ".wav";
  const auto made = song.session.ExportKaraokeGame(output, withMelody, extension, render);
  if (!made || song.ui.Failed()) return 1;
  ctx.output.Result({{"folder", made->Folder},
                     {"text", made->TextFile},
                     {"audio", made->AudioFile},
                     {"withMelody", withMelody},
                     {"notes", made->Notes},
                     {"freestyle", made->Freestyle}},
                    GameText);
  return 0;
}

CliRegistrar registrar(
    {"export",
     {"--lrc [OPTIONS] SONG -o FILE.lrc",
      "--ultrastar [--melody N] [--with-melody] [--audio ogg|wav] [OPTIONS] SONG -o FOLDER"},
     "Write the syllables as timed lyrics (enhanced LRC, UTF-8), or the song for a karaoke game (UltraStar) / "
     "Schreibt die Silben als Liedtext mit Zeiten (LRC, UTF-8) oder den Song für ein Karaoke-Spiel (UltraStar)",
     Options({{{"--lrc", "", "Enhanced LRC: a stamp per line and per syllable / LRC mit Zeitmarke je Zeile und Silbe"},
               {"--ultrastar", "",
                "Karaoke game: in FOLDER a folder \"Artist - Title\" with the UltraStar text and the backing track "
                "/ Karaoke-Spiel: in ORDNER ein Ordner \"Interpret - Titel\" mit dem UltraStar-Text und der "
                "Begleitung"},
               {"--audio", "ogg|wav", "With --ultrastar: the backing track as Ogg Vorbis (default where the system "
                                      "can write it) or WAV / Mit --ultrastar: die Begleitung als Ogg Vorbis (Vorgabe, "
                                      "wo das System es schreiben kann) oder WAV",
                ValueKind::Choice},
               {"--with-melody", "", "With --ultrastar: the audio keeps the melody / Mit --ultrastar: die Aufnahme "
                                     "behält die Melodie"},
               MelodyOption(),
               {"--soundfont", "FILE", "SoundFont of the synthesizer / SoundFont des Synthesizers",
                ValueKind::SoundFont},
               SongLanguageOption(),
               {"-o", "FILE|FOLDER", "The file (--lrc) or folder (--ultrastar) to write into / Die zu schreibende "
                                     "Datei (--lrc) oder der Ordner (--ultrastar)",
                ValueKind::AnyFile}},
              ReadSongOptionList()}),
     {ValueKind::Song},
     RunExport});

}  // namespace
}  // namespace cvcli
