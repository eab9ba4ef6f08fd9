#include "output/PrompterView.h"

#include <algorithm>

namespace cv {

namespace {

constexpr int kCountInSeconds = 4;

TPrompterScript FromSyllables(const Song& song) {
  TPrompterScript s;
  s.Lines.emplace_back();
  const int n = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < n; ++i) {
    const THyphens& h = song.HyphenArray[static_cast<size_t>(i)];
    if (h.Text.find(u'\r') != std::u16string::npos) {
      s.Lines.emplace_back();
      continue;
    }
    s.Lines.back() += h.Text;
    s.Cues.push_back({h.SongPosition, h.Time, static_cast<int32_t>(s.Lines.size() - 1),
                      static_cast<int32_t>(s.Lines.back().size())});
  }
  if (s.Lines.back().empty()) s.Lines.pop_back();
  return s;
}

int CountIn(const TPrompterScript& script, int32_t ms) {
  if (script.Cues.empty() || ms >= script.Cues.front().Time) return 0;
  const int32_t wait = script.Cues.front().Time - ms;
  return wait <= kCountInSeconds * 1000 ? (wait + 999) / 1000 : 0;
}

TPrompterMoment MomentOn(int lines, const TPromptaCue* cue, int countIn) {
  TPrompterMoment m;
  m.CountIn = countIn;
  if (!cue) {
    // Before the first cue the first line waits as the next one.
    m.NextLine = lines > 0 ? 0 : -1;
    return m;
  }
  m.Line = std::clamp<int>(cue->Line, 0, std::max(0, lines - 1));
  m.Column = cue->Column;
  m.NextLine = m.Line + 1 < lines ? m.Line + 1 : -1;
  return m;
}

}  // namespace

TPrompterScript MakePrompterScript(const Song& song) {
  if (song.PromptaControllerTrack >= 0 || song.Configuration.PromptaEnabled) {
    TSongPrompter p = DecodeSongPrompter(song);
    if (!p.Display.Lines.empty()) {
      TPrompterScript s;
      s.FromPrompta = true;
      s.Controller = p.FromSong ? song.PromptaController : song.Configuration.PromptaCmdController;
      s.Channel = p.FromSong ? song.PromptaControllerChannel : song.Configuration.PromptaMidiChannel;
      s.Lines = std::move(p.Display.Lines);
      s.Cues = std::move(p.Display.Cues);
      std::stable_sort(s.Cues.begin(), s.Cues.end(),
                       [](const TPromptaCue& a, const TPromptaCue& b) { return a.Time < b.Time; });
      return s;
    }
  }
  return FromSyllables(song);
}

TPrompterMoment PrompterMomentAt(const TPrompterScript& script, int32_t ms) {
  auto after = std::upper_bound(script.Cues.begin(), script.Cues.end(), ms,
                                [](int32_t t, const TPromptaCue& c) { return t < c.Time; });
  return MomentOn(static_cast<int>(script.Lines.size()), after == script.Cues.begin() ? nullptr : &*(after - 1),
                  CountIn(script, ms));
}

void TPrompterStream::Reset(uint8_t controller, uint8_t channel) {
  std::lock_guard lock(mutex_);
  status_ = static_cast<uint8_t>(0xB0 + (channel & 0x0F));
  controller_ = controller;
  incoming_.clear();
  pending_.clear();
  decoder_.Reset();
  lastLyric_ = -1;
  lastMs_ = INT32_MIN;
}

void TPrompterStream::Take(const TypMidiEvent& e) {
  const bool lyric = e.Command == 0xFF && e.DType == DTypeMeta && e.MType == 5;
  std::lock_guard lock(mutex_);
  if (lyric || (e.DType == DTypeChannel && e.Command == status_ && e.Value[0] == controller_))
    incoming_.push_back({lyric, {e.Position, e.TimePosition, e.Value[1]}});
}

void TPrompterStream::Advance(int32_t ms) {
  {
    std::lock_guard lock(mutex_);
    pending_.insert(pending_.end(), incoming_.begin(), incoming_.end());
    incoming_.clear();
  }
  const bool jumpedBack = ms < lastMs_;
  lastMs_ = ms;
  while (!pending_.empty() && (jumpedBack || pending_.front().Value.Time <= ms)) {
    const TSent& s = pending_.front();
    if (s.Lyric) lastLyric_ = s.Value.SongPosition;
    else decoder_.Feed(s.Value);
    pending_.pop_front();
  }
}

const std::vector<std::u16string>& PrompterLinesHeard(const TPrompterScript& script, const TPrompterStream& stream) {
  return script.FromPrompta ? stream.Held().Lines : script.Lines;
}

TPrompterMoment PrompterMomentHeard(const TPrompterScript& script, const TPrompterStream& stream, int32_t ms) {
  const int lines = static_cast<int>(PrompterLinesHeard(script, stream).size());
  const TPromptaCue* cue = nullptr;
  if (script.FromPrompta) {
    if (!stream.Held().Cues.empty()) cue = &stream.Held().Cues.back();
  } else if (stream.LastLyric() >= 0) {
    auto after = std::upper_bound(script.Cues.begin(), script.Cues.end(), stream.LastLyric(),
                                  [](int32_t pos, const TPromptaCue& c) { return pos < c.SongPosition; });
    if (after != script.Cues.begin()) cue = &*(after - 1);
  }
  return MomentOn(lines, cue, cue ? 0 : CountIn(script, ms));
}

}  // namespace cv
