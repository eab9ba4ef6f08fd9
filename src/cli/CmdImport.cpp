// cantovex-cli import SONG TEXTFILE [--hyphenate LANG] [--assign] [--format 0|1] -o OUT:
// a lyric text file into a song, the way Text > Load, Hyphenate, Finish editing and Assign do it.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"
#include "lyrics/CV_Hyphen.h"
#include "lyrics/EditText.h"
#include "lyrics/Lrc.h"
#include "platform/Devices.h"
#include "song/Language.h"
#include "song/TextCodec.h"

namespace cvcli {
namespace {

namespace fs = std::filesystem;

std::vector<std::unique_ptr<cv::DocumentReader>> Readers() {
  return cv::DocumentReaders();
}

int RunImport(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args);
  const BackupWish backup = TakeBackupWish(ctx.args);
  options.melody = TakeMelodyOption(ctx.args);
  std::string output, language, exceptionsDir;
  bool assign = false;
  int format = -1;
  std::vector<std::string> files;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    if (a == "-o" || a == "--output") {
      output = NextValue(ctx.args, i, a);
    } else if (a == "--hyphenate") {
      language = NextValue(ctx.args, i, a);
    } else if (a == "--exceptions-dir") {
      exceptionsDir = ExistingFolder(a, NextValue(ctx.args, i, a));
    } else if (a == "--assign") {
      assign = true;
    } else if (a == "--format") {
      std::string f = NextValue(ctx.args, i, a);
      if (f != "0" && f != "1") throw CliUsageError{"--format: 0 | 1"};
      format = f == "0" ? 0 : 1;
    } else if (a.rfind("-", 0) == 0) {
      throw CliUsageError{cv::Tr("Unbekannte Option: ", "Unknown option: ") + a};
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) throw CliUsageError{cv::Tr("SONG und TEXTDATEI angeben.", "Give SONG and TEXTFILE.")};
  if (output.empty()) throw CliUsageError{cv::Tr("-o AUSGABE fehlt.", "-o OUT is missing.")};
  std::optional<cv::THyphenLanguage> hyphenLanguage;
  if (!language.empty()) {
    hyphenLanguage = cv::ParseHyphenLanguage(language);
    if (!hyphenLanguage) throw CliUsageError{"--hyphenate: de | en | fr | it | es"};
  }

  CliSession song(ctx);
  backup.ApplyTo(song.Song().Configuration);
  if (!song.Open(files[0], options)) return 1;
  cv::SongSession& session = song.session;
  if (cv::IsLrcFileName(files[1])) {
    if (!session.LoadLrc(files[1], hyphenLanguage, cv::FindHyphenationDir(ExecutableDir()), exceptionsDir)) return 1;
    if (assign && !session.Assign()) return 1;
    if (format < 0) format = session.NaturalFormat();
    if (!session.WriteTo(output, format)) return 1;
    ctx.output.Result(Written(song.Song(), output, format), WrittenText);
    return 0;
  }
  const std::optional<cv::TEditorText> loaded = session.LoadText(files[1], Readers());
  if (!loaded) return 1;
  std::u16string text = loaded->Text;
  if (hyphenLanguage) {
    const std::optional<std::u16string> hyphenated =
        session.HyphenateEditText(text, *hyphenLanguage, cv::FindHyphenationDir(ExecutableDir()), exceptionsDir);
    if (!hyphenated) return 1;
    text = *hyphenated;
  }
  // The command line states the layout rules in its usage; the question counts as answered.
  const cv::TLeaveResult left = session.LeaveEditor(text);
  if (left.Status == cv::TLeaveStatus::TooLong) return 1;  // reported
  if (left.Status != cv::TLeaveStatus::Done)
    throw CliFailure(cv::Tr("Der Text braucht mindestens drei Zeilen: Songname, Interpret, Text.",
                            "The text needs at least three lines: song name, artist, lyrics."),
                     files[1]);
  if (assign && !session.Assign()) return 1;
  if (format < 0) format = session.NaturalFormat();
  if (!session.WriteTo(output, format)) return 1;
  ctx.output.Result(Written(song.Song(), output, format), WrittenText);
  return 0;
}

CliRegistrar registrar(
    {"import",
     {"[OPTIONS] SONG TEXTFILE -o OUT"},
     "Load a lyric text (txt, rtf, doc, docx, odt, or timed lrc) into the song, hyphenate, assign, save / Lädt einen Liedtext "
     "(auch LRC mit Zeiten) in den Song, trennt, ordnet zu, speichert",
     Options({{{"-o", "OUT", "The file to write / Die zu schreibende Datei", ValueKind::Song},
               {"--hyphenate", "de|en|fr|it|es", "Hyphenate the lyrics in this language / Den Text in dieser Sprache "
                                                 "trennen",
                ValueKind::Choice},
               {"--exceptions-dir", "DIR", "Folder of the user's hyphenation exception lists / Ordner der eigenen "
                                           "Trennausnahmen",
                ValueKind::Folder},
               {"--assign", "", "Assign the syllables to the melody notes / Silben den Melodienoten zuordnen"},
               {"--format", "0|1", "Format of the written file (default: the song's, 2 as 1) / Format der Datei "
                                   "(Vorgabe: das des Songs, 2 als 1)",
                ValueKind::Choice}},
               BackupOptions(), {MelodyOption()},
              SongOptionList()}),
     {ValueKind::Song, ValueKind::LyricText},
     RunImport});

}  // namespace
}  // namespace cvcli
