#include "output/PromptaDecoder.h"

#include <string>

#include "song/Language.h"
#include "song/TextCodec.h"

namespace cv {

namespace {

constexpr char kSignature[] = "Maravelt 2000";
constexpr size_t kSignatureLength = sizeof kSignature - 1;
constexpr int kOffset = 28;  // numbers travel as value + 28

std::string Number(int v) { return std::to_string(v); }

}  // namespace

void PromptaDecoder::Report(const TPromptaValue& at, const std::string& de, const std::string& en) {
  display_.Problems.push_back({at.SongPosition, at.Time, Tr(de, en)});
}

void PromptaDecoder::Feed(const TPromptaValue& v) {
  last_ = v;
  const int value = v.Value;
  if (value > 127) {
    Report(v, "Wert " + Number(value) + " ist kein Controllerwert.", "Value " + Number(value) + " is no controller value.");
    return;
  }
  if (operand_ != Operand::None) {
    TakeOperand(v);
    return;
  }
  // A new signature starts a new block wherever it comes.
  if (value == 24 && mode_ != Mode::Signature) {
    if (mode_ == Mode::Text || mode_ == Mode::Command)
      Report(v, "Ein neuer Datenblock beginnt, bevor der vorige beendet war.",
             "A new data block starts before the previous one ended.");
    std::vector<TPromptaProblem> problems = std::move(display_.Problems);
    display_ = TPromptaDisplay{};
    display_.Problems = std::move(problems);
    signature_.clear();
    cueOpen_ = false;
    ignoring_ = false;
    mode_ = Mode::Signature;
    return;
  }
  switch (mode_) {
    case Mode::BeforeSignature:
      if (!ignoring_)
        Report(v, "Werte vor der Kennung werden übergangen (ab Wert " + Number(value) + ").",
               "Values before the signature are passed over (from value " + Number(value) + ").");
      ignoring_ = true;
      return;
    case Mode::Signature:
      if (value == 25) {
        display_.Signature = signature_ == kSignature;
        if (!display_.Signature)
          Report(v, "Unbekannte Kennung \"" + signature_ + "\".", "Unknown signature \"" + signature_ + "\".");
        mode_ = Mode::AfterSignature;
      } else if (value >= 32 && signature_.size() < kSignatureLength) {
        signature_ += static_cast<char>(value);
      } else {
        Report(v, "Wert " + Number(value) + " in der Kennung.", "Value " + Number(value) + " inside the signature.");
      }
      return;
    case Mode::AfterSignature:
      mode_ = Mode::Settings;
      if (value == 15) return;
      Report(v, "Nach der Kennung fehlt der Wert 15.", "The value 15 after the signature is missing.");
      break;
    default:
      break;
  }
  if (CueValue(v)) return;
  switch (mode_) {
    case Mode::Settings:
      if (value == 18) operand_ = Operand::Font;
      else if (value == 19) operand_ = Operand::Height;
      else if (value == 26) display_.InversVideo = true;
      else if (value == 22) mode_ = Mode::Text;
      else if (value == 23) mode_ = Mode::Command;
      else Report(v, "Unbekannte Einstellung " + Number(value) + ".", "Unknown setting " + Number(value) + ".");
      break;
    case Mode::Text:
      if (display_.Lines.empty()) display_.Lines.emplace_back();
      if (value >= 32) {
        display_.Lines.back() += static_cast<char16_t>(value);
      } else if (value == 13) {
        display_.Lines.emplace_back();
      } else if (value == 27) {
        operand_ = Operand::Escape;
      } else if (value == 23) {
        mode_ = Mode::Command;
      } else if (value != 22) {
        Report(v, "Wert " + Number(value) + " im Text.", "Value " + Number(value) + " inside the text.");
      }
      break;
    case Mode::Command:
      if (value == 12) {
        display_.Complete = true;
        mode_ = Mode::Ended;
      } else if (value == 22) {
        mode_ = Mode::Text;
      } else {
        Report(v, "Unbekannter Befehl " + Number(value) + ".", "Unknown command " + Number(value) + ".");
      }
      break;
    case Mode::Ended:
      if (value != 23)
        Report(v, "Wert " + Number(value) + " nach dem Ende der Daten.", "Value " + Number(value) + " after the end of the data.");
      else
        mode_ = Mode::Command;
      break;
    default:
      break;
  }
}

// The values of a cue (9, 16, 10) are understood after a command value and after the end.
bool PromptaDecoder::CueValue(const TPromptaValue& v) {
  if (mode_ != Mode::Command && mode_ != Mode::Ended) return false;
  if (v.Value == 9) StartCuePart(v, Operand::Column);
  else if (v.Value == 16) StartCuePart(v, Operand::LineHigh);
  else if (v.Value == 10) StartCuePart(v, Operand::LineLow);
  else return false;
  return true;
}

void PromptaDecoder::StartCuePart(const TPromptaValue& v, Operand operand) {
  if (!cueOpen_) {
    cueOpen_ = true;
    cueStart_ = v;
    column_ = lineHigh_ = -1;
  }
  operand_ = operand;
}

void PromptaDecoder::TakeOperand(const TPromptaValue& v) {
  const Operand operand = operand_;
  operand_ = Operand::None;
  const int value = v.Value;
  if (operand == Operand::Escape) {
    const int code = value + 128;
    const char16_t c = DecodeWindows1252(std::string(1, static_cast<char>(code)))[0];
    if (c >= 0x80 && c < 0xA0) {  // the unassigned codes stay C1 controls
      Report(v, "Zeichencode " + Number(code) + " ist kein Windows-1252-Zeichen.",
             "Character code " + Number(code) + " is no Windows-1252 character.");
      return;
    }
    display_.Lines.back() += c;
    return;
  }
  if (value < kOffset) {
    Report(v, "Wert " + Number(value) + " ist keine Zahl (kleiner als 28).", "Value " + Number(value) + " is no number (below 28).");
    cueOpen_ = false;
    return;
  }
  const int n = value - kOffset;
  switch (operand) {
    case Operand::Font:
      display_.Font = n;
      if (n < 1 || n > 6) Report(v, "Schriftart " + Number(n) + " außerhalb von 1 bis 6.", "Font " + Number(n) + " outside 1 to 6.");
      break;
    case Operand::Height:
      display_.FontHeight = n;
      if (n < 1 || n > 6)
        Report(v, "Schrifthöhe " + Number(n) + " außerhalb von 1 bis 6.", "Font height " + Number(n) + " outside 1 to 6.");
      break;
    case Operand::Column:
      column_ = n;
      if (n > 79) Report(v, "Spalte " + Number(n) + " jenseits der Zeile.", "Column " + Number(n) + " beyond the line.");
      break;
    case Operand::LineHigh:
      lineHigh_ = n;
      break;
    case Operand::LineLow: {
      cueOpen_ = false;
      if (column_ < 0) {
        Report(cueStart_, "Markierung ohne Spalte.", "Cue without a column.");
        break;
      }
      const int line = (lineHigh_ >= 0 ? lineHigh_ * 100 : 0) + n;
      display_.Cues.push_back({cueStart_.SongPosition, cueStart_.Time, line, column_});
      break;
    }
    default:
      break;
  }
}

void PromptaDecoder::Finish() {
  if (operand_ != Operand::None || cueOpen_)
    Report(last_, "Die Daten brechen mitten in einem Wertepaar ab.", "The data break off in the middle of a value pair.");
  else if (mode_ == Mode::Signature || mode_ == Mode::AfterSignature)
    Report(last_, "Die Daten brechen in der Kennung ab.", "The data break off inside the signature.");
  else if (mode_ != Mode::BeforeSignature && !display_.Complete)
    Report(last_, "Die Daten enden ohne den Endbefehl.", "The data end without the end command.");
  operand_ = Operand::None;
  cueOpen_ = false;
  // Cues may come before their text while the block is sent; at the end the text must be there.
  for (const TPromptaCue& c : display_.Cues)
    if (c.Line >= static_cast<int>(display_.Lines.size()))
      Report({c.SongPosition, c.Time, 0}, "Markierung auf Zeile " + Number(c.Line) + " hinter dem Text.",
             "Cue on line " + Number(c.Line) + " beyond the text.");
}

std::vector<TPromptaValue> PromptaValuesOfTrack(const Song& song, int track, uint8_t controller, uint8_t channel) {
  std::vector<TPromptaValue> values;
  if (track < 0 || track >= static_cast<int>(song.MidiTrack.size())) return values;
  const uint8_t status = static_cast<uint8_t>(0xB0 + (channel & 0x0F));
  for (PtrMidiEvent e = song.MidiTrack[static_cast<size_t>(track)].TrkFirstEvent; e; e = e->NextEvent)
    if (e->DType == DTypeChannel && e->Command == status && e->Value[0] == controller)
      values.push_back({e->Position, e->TimePosition, e->Value[1]});
  return values;
}

TPromptaDisplay DecodePromptaValues(const std::vector<TPromptaValue>& values) {
  PromptaDecoder decoder;
  for (const TPromptaValue& v : values) decoder.Feed(v);
  if (!values.empty()) decoder.Finish();
  return decoder.Display();
}

TSongPrompter DecodeSongPrompter(const Song& song) {
  TSongPrompter result;
  if (song.PromptaControllerTrack >= 0) {
    result.FromSong = true;
    result.Display = DecodePromptaValues(PromptaValuesOfTrack(song, song.PromptaControllerTrack, song.PromptaController,
                                                              song.PromptaControllerChannel));
    return result;
  }
  std::vector<TPromptaValue> values;
  if (PromptaWireValues(song, values)) result.Display = DecodePromptaValues(values);
  return result;
}

}  // namespace cv
