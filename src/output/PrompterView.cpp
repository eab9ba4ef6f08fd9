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

}  // namespace

TPrompterScript MakePrompterScript(const Song& song) {
  if (song.PromptaControllerTrack >= 0 || song.Configuration.PromptaEnabled) {
    TSongPrompter p = DecodeSongPrompter(song);
    if (!p.Display.Lines.empty()) {
      TPrompterScript s;
      s.FromPrompta = true;
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
  TPrompterMoment m;
  auto after = std::upper_bound(script.Cues.begin(), script.Cues.end(), ms,
                                [](int32_t t, const TPromptaCue& c) { return t < c.Time; });
  const int lines = static_cast<int>(script.Lines.size());
  if (after == script.Cues.begin()) {
    if (!script.Cues.empty()) {
      const int32_t wait = script.Cues.front().Time - ms;
      if (wait <= kCountInSeconds * 1000) m.CountIn = (wait + 999) / 1000;
    }
    // Before the first cue the first line waits as the next one.
    m.NextLine = lines > 0 ? 0 : -1;
    return m;
  }
  const TPromptaCue& c = *(after - 1);
  m.Line = std::clamp<int>(c.Line, 0, std::max(0, lines - 1));
  m.Column = c.Column;
  m.NextLine = m.Line + 1 < lines ? m.Line + 1 : -1;
  return m;
}

}  // namespace cv
