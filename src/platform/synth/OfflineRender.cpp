#include "platform/synth/OfflineRender.h"

#include <queue>
#include <vector>

#include "playback/WavFile.h"

namespace cv {

int64_t RenderSongOffline(const Song& song, TSynthesizer& synth, const std::function<void(int64_t, int64_t)>& progress,
                          int mutedChannel) {
  const int mutedNoteOn = mutedChannel >= 0 && mutedChannel <= 15 ? 0x90 | mutedChannel : -1;
  const int64_t total = RenderLengthMs(song);
  const int64_t rate = synth.SampleRate();
  // Next event of every track, earliest first; equal times keep track order.
  using Entry = std::pair<std::pair<int32_t, size_t>, PtrMidiEvent>;
  auto later = [](const Entry& a, const Entry& b) { return a.first > b.first; };
  std::priority_queue<Entry, std::vector<Entry>, decltype(later)> next(later);
  for (size_t i = 0; i < song.MidiTrack.size(); ++i)
    if (PtrMidiEvent e = song.MidiTrack[i].TrkFirstEvent) next.push({{e->TimePosition, i}, e});

  int64_t renderedFrames = 0;
  int64_t lastReport = -1;
  auto renderUntil = [&](int64_t ms) {
    const int64_t target = ms * rate / 1000;
    while (renderedFrames < target) {
      const int64_t n = std::min<int64_t>(target - renderedFrames, rate / 10);
      synth.RenderFrames(static_cast<size_t>(n));
      renderedFrames += n;
      const int64_t doneMs = renderedFrames * 1000 / rate;
      if (progress && doneMs / 250 != lastReport) {
        lastReport = doneMs / 250;
        progress(doneMs, total);
      }
    }
  };
  std::vector<uint8_t> sysex;
  while (!next.empty()) {
    auto [key, e] = next.top();
    next.pop();
    renderUntil(std::max(e->TimePosition, 0));
    if (e->Command == 0xF0 || e->Command == 0xF7) {
      if (!e->Meta.empty()) {
        sysex.assign(1, 0xF0);
        sysex.insert(sysex.end(), e->Meta.begin(), e->Meta.end());
        synth.PutLong(sysex.data(), sysex.size());
      }
    } else if (e->Command >= 0x80 && e->Command < 0xF0 && e->Command != mutedNoteOn) {
      synth.PutShort(e->Command, e->Value[0], e->Value[1]);
    }
    if (e->NextEvent) next.push({{e->NextEvent->TimePosition, key.second}, e->NextEvent});
  }
  renderUntil(total);
  if (progress) progress(total, total);
  return total;
}

int64_t TSynthesizer::RenderSong(const Song& song, const std::function<void(int64_t, int64_t)>& progress,
                                 int mutedChannel) {
  return RenderSongOffline(song, *this, progress, mutedChannel);
}

}  // namespace cv
