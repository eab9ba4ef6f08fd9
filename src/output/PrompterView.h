// What the prompter window shows at a moment of playback: the device's lines, how far they are
// sung, the current and the next line, and the count-in before the first line.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "output/PromptaDecoder.h"
#include "song/Song.h"

namespace cv {

struct TPrompterScript {
  bool FromPrompta = false;  // the prompter's data; else the lyric events (a keyboard's lyrics page)
  uint8_t Controller = 0;    // where the prompter's data travel
  uint8_t Channel = 0;
  std::vector<std::u16string> Lines;
  std::vector<TPromptaCue> Cues;  // by time
  bool operator==(const TPrompterScript&) const = default;
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

// What the player really sends, as it is heard: the Prompta controller's values and the lyric
// events the player passes, collected on the playback thread and applied by the viewer once the
// output has played them.
class TPrompterStream {
 public:
  // Listens to this controller and channel and forgets what the device held (a new song).
  void Reset(uint8_t controller, uint8_t channel);
  // The playback thread: keeps the events that matter.
  void Take(const TypMidiEvent& event);
  // The viewer: applies what has been heard by `ms`; after a jump back the rest at once (the
  // output dropped what it had not played).
  void Advance(int32_t ms);
  // What the device holds; LastLyric: the position of the last lyric event heard, -1: none.
  const TPromptaDisplay& Held() const { return decoder_.Display(); }
  int32_t LastLyric() const { return lastLyric_; }

 private:
  struct TSent {
    bool Lyric;
    TPromptaValue Value;
  };
  std::mutex mutex_;  // guards what the playback thread touches
  uint8_t status_ = 0xB0;
  uint8_t controller_ = 0;
  std::vector<TSent> incoming_;
  std::deque<TSent> pending_;  // the viewer's own
  PromptaDecoder decoder_;
  int32_t lastLyric_ = -1;
  int32_t lastMs_ = INT32_MIN;
};

// The state while playing, from what the stream delivered: the device's last cue on its own lines
// (Prompta data), or the last lyric event heard on the script's lines (a keyboard's lyrics page).
// The count-in comes from the script.
TPrompterMoment PrompterMomentHeard(const TPrompterScript& script, const TPrompterStream& stream, int32_t ms);
// The lines the moment refers to.
const std::vector<std::u16string>& PrompterLinesHeard(const TPrompterScript& script, const TPrompterStream& stream);

}  // namespace cv
