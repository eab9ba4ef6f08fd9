// The chain of edit options shared by `edit` and `lyrics`: parsed in the order given and
// applied to an opened song in that order.
#pragma once

#include <string>
#include <vector>

#include "cli/CliSong.h"

namespace cvcli {

struct EditStep {
  enum class Kind { Speed, TempoDiff, Transpose, Assign, HideNoteAt, Quantize, ShiftMs, LeadIn };
  Kind kind;
  int value = 0;  // speed 0..5, bpm difference, semitones, ms, or the grid 0..3
};

struct EditOptions {
  std::vector<EditStep> steps;
  bool intelligent = false;  // transposition mode for every --transpose of the call
  int mode = 1;
};

// The options TakeEditOptions understands, for help and completion.
const std::vector<CliOption>& EditOptionList();

// Removes the edit options from args; wrong values are usage errors.
EditOptions TakeEditOptions(std::vector<std::string>& args);

// Applies the steps in order. A step that finds nothing to do (no note at a time) is reported
// as a warning; false after a step the song refused (reported).
bool ApplyEditOptions(CliSession& song, const EditOptions& options, CliOutput& output);

}  // namespace cvcli
