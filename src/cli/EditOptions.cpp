#include "cli/EditOptions.h"

#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "output/CV_EditTempo.h"
#include "lyrics/LeadIn.h"
#include "song/Language.h"

namespace cvcli {

const std::vector<CliOption>& EditOptionList() {
  static const std::vector<CliOption> options = {
      {"--speed", "100|90|80|70|60|50",
       "Speed in percent of the tempo as read / Geschwindigkeit in Prozent des gelesenen Tempos",
       ValueKind::Choice},
      {"--tempo-diff", "N", "Change every tempo by N bpm / Jedes Tempo um N bpm ändern", ValueKind::Number},
      {"--transpose", "N", "Transpose by N semitones, -9..9 / Um N Halbtöne transponieren, -9..9", ValueKind::Number},
      {"--intelligent", "", "Transpose intelligently, as --mode chooses / Intelligent transponieren, wie --mode wählt"},
      {"--mode", "1..4", "Mode of intelligent transposing / Modus des intelligenten Transponierens",
       ValueKind::Number},
      {"--assign", "", "Assign the syllables to the melody notes / Silben den Melodienoten zuordnen"},
      {"--hide-note-at", "MS", "Hide the melody note at or after MS / Melodienote ab MS verstecken",
       ValueKind::Number},
      {"--quantize", "quarter|eighth|eighth-triplet|sixteenth",
       "Move the syllables onto a grid / Silben auf ein Raster setzen", ValueKind::Choice},
      {"--shift-ms", "N", "Move every syllable by N ms / Alle Silben um N ms verschieben", ValueKind::Number},
      {"--lead-in", "1..8", "Insert N bars of silence before the song / N Takte Stille vor dem Song einfügen",
       ValueKind::Number},
  };
  return options;
}

namespace {

int SpeedIndex(const std::string& text) {
  static const char* const kSpeeds[] = {"100", "90", "80", "70", "60", "50"};
  std::string t = text;
  if (!t.empty() && t.back() == '%') t.pop_back();
  for (int i = 0; i < 6; ++i)
    if (t == kSpeeds[i]) return i;
  throw CliUsageError{"--speed: 100 | 90 | 80 | 70 | 60 | 50"};
}

int GridIndex(const std::string& text) {
  static const char* const kGrids[] = {"quarter", "eighth", "eighth-triplet", "sixteenth"};
  for (int i = 0; i < 4; ++i)
    if (text == kGrids[i]) return i;
  throw CliUsageError{"--quantize: quarter | eighth | eighth-triplet | sixteenth"};
}

}  // namespace

EditOptions TakeEditOptions(std::vector<std::string>& args) {
  using Kind = EditStep::Kind;
  EditOptions options;
  bool modeGiven = false;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i], value;
    const size_t eq = a.find('=');
    const bool inlineValue = a.rfind("--", 0) == 0 && eq != std::string::npos;
    if (inlineValue) {
      value = a.substr(eq + 1);
      a = a.substr(0, eq);
    }
    auto next = [&]() -> std::string {
      if (inlineValue) return value;
      if (i + 1 >= args.size()) throw CliUsageError{a + ": " + cv::Tr("Wert fehlt", "value missing")};
      return args[++i];
    };
    if (a == "--speed") {
      options.steps.push_back({Kind::Speed, SpeedIndex(next())});
    } else if (a == "--tempo-diff") {
      options.steps.push_back({Kind::TempoDiff, ParseNumber(a, next(), cv::kTempoDiffMin, cv::kTempoDiffMax)});
    } else if (a == "--transpose") {
      options.steps.push_back({Kind::Transpose, ParseNumber(a, next(), cv::kTransposeMin, cv::kTransposeMax)});
    } else if (a == "--intelligent" && !inlineValue) {
      options.intelligent = true;
    } else if (a == "--mode") {
      options.mode = ParseNumber(a, next(), 1, 4);
      modeGiven = true;
    } else if (a == "--assign" && !inlineValue) {
      options.steps.push_back({Kind::Assign, 0});
    } else if (a == "--hide-note-at") {
      options.steps.push_back({Kind::HideNoteAt, ParseNumber(a, next(), 0, INT32_MAX)});
    } else if (a == "--quantize") {
      options.steps.push_back({Kind::Quantize, GridIndex(next())});
    } else if (a == "--lead-in") {
      options.steps.push_back({Kind::LeadIn, ParseNumber(a, next(), cv::kMinLeadInBars, cv::kMaxLeadInBars)});
    } else if (a == "--shift-ms") {
      options.steps.push_back({Kind::ShiftMs, ParseNumber(a, next(), -3600000, 3600000)});
    } else {
      rest.push_back(args[i]);
    }
  }
  if (modeGiven && !options.intelligent)
    throw CliUsageError{cv::Tr("--mode gilt nur mit --intelligent.", "--mode needs --intelligent.")};
  args = rest;
  return options;
}

bool ApplyEditOptions(CliSession& song, const EditOptions& options, CliOutput& output) {
  using Kind = EditStep::Kind;
  cv::SongSession& session = song.session;
  for (const EditStep& step : options.steps) {
    switch (step.kind) {
      case Kind::Speed:
        session.ScaleTempoToSpeed(static_cast<uint8_t>(step.value));
        break;
      case Kind::TempoDiff:
        session.ApplyTempoDiff(step.value);
        break;
      case Kind::Transpose:
        session.Transpose(step.value, {options.intelligent, options.mode});
        break;
      case Kind::Assign:
        session.Assign();
        break;
      case Kind::HideNoteAt:
        if (!session.HideNoteAt(step.value) && !song.ui.Failed())
          output.Warning(cv::Tr("Keine Melodienote ab ", "No melody note at or after ") + std::to_string(step.value) +
                         cv::Tr(" ms: nichts versteckt.", " ms: nothing hidden."));
        break;
      case Kind::Quantize: {
        cv::TConfiguration configuration = session.CurrentSong().Configuration;
        configuration.QuantizeFactor = static_cast<uint8_t>(step.value);
        session.SetConfiguration(configuration);
        session.Quantize();
        break;
      }
      case Kind::ShiftMs:
        session.MoveLyrics(step.value);
        break;
      case Kind::LeadIn:
        session.InsertLeadIn(step.value);
        break;
    }
    if (song.ui.Failed()) return false;
  }
  return true;
}

}  // namespace cvcli
