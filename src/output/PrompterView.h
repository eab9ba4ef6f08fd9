// What the prompter window shows at a moment of playback: the device's lines, how far they are
// sung, the current and the next line, and the count-in before the first line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/PromptaDecoder.h"
#include "song/Song.h"

namespace cv {

struct TPrompterScript {
  bool FromPrompta = false;  // the prompter's data; else the lyric events (a keyboard's lyrics page)
  std::vector<std::u16string> Lines;
  std::vector<TPromptaCue> Cues;  // by time
};

// The song's Prompta data (or the data its syllables give when prompter support is on); a song
// without them shows its syllables the way a keyboard shows lyric events, each cue at its syllable.
TPrompterScript MakePrompterScript(const Song& song);

struct TPrompterMoment {
  int Line = -1;      // the line being sung, -1 before the first cue
  int Column = 0;     // characters of it sung
  int NextLine = -1;  // -1: none
  int CountIn = 0;    // whole seconds until the first cue (0: none or past it)
};

// The state at playback time `ms` (already moved by the output's latency).
TPrompterMoment PrompterMomentAt(const TPrompterScript& script, int32_t ms);

}  // namespace cv
