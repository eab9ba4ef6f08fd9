// Reads the prompter's controller stream back: what the device holds after each value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/Prompta.h"

namespace cv {

// How far the text has been sung: the cue's first value is sent at SongPosition.
struct TPromptaCue {
  int32_t SongPosition = 0;
  int32_t Time = 0;
  int32_t Line = 0;
  int32_t Column = 0;
  bool operator==(const TPromptaCue&) const = default;
};

// A value the decoder did not understand, with its finished text in the user's language.
struct TPromptaProblem {
  int32_t SongPosition = 0;
  int32_t Time = 0;
  std::string Message;
};

struct TPromptaDisplay {
  bool Signature = false;  // 24, "Maravelt 2000", 25 arrived
  int Font = 0;            // 0: not sent
  int FontHeight = 0;
  bool InversVideo = false;
  bool Complete = false;              // the end command arrived
  std::vector<std::u16string> Lines;  // empty until text starts
  std::vector<TPromptaCue> Cues;
  std::vector<TPromptaProblem> Problems;
};

// Feeds values one by one, as they come from a song or live from the player.
class PromptaDecoder {
 public:
  void Feed(const TPromptaValue& v);
  // The stream ends here: a value pair or block left open is reported.
  void Finish();
  void Reset() { *this = PromptaDecoder(); }
  const TPromptaDisplay& Display() const { return display_; }

 private:
  enum class Mode { BeforeSignature, Signature, AfterSignature, Settings, Text, Command, Ended };
  enum class Operand { None, Font, Height, Escape, Column, LineHigh, LineLow };

  void Report(const TPromptaValue& at, const std::string& de, const std::string& en);
  void TakeOperand(const TPromptaValue& v);
  void StartCuePart(const TPromptaValue& v, Operand operand);
  bool CueValue(const TPromptaValue& v);

  TPromptaDisplay display_;
  Mode mode_ = Mode::BeforeSignature;
  Operand operand_ = Operand::None;
  std::string signature_;
  int column_ = -1;
  int lineHigh_ = -1;
  bool cueOpen_ = false;
  TPromptaValue cueStart_;
  TPromptaValue last_;
  bool ignoring_ = false;  // a run of values before the signature is reported once
};

// The values of one controller on one channel in a chain, in chain order.
std::vector<TPromptaValue> PromptaValuesOfTrack(const Song& song, int track, uint8_t controller, uint8_t channel);
TPromptaDisplay DecodePromptaValues(const std::vector<TPromptaValue>& values);

// The prompter's view of a song: the song's own Prompta data when it holds some, else the data the
// syllables give under the current settings (FromSong tells which).
struct TSongPrompter {
  bool FromSong = false;
  TPromptaDisplay Display;
};
TSongPrompter DecodeSongPrompter(const Song& song);

}  // namespace cv
