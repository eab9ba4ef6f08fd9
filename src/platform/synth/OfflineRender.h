// Renders a song through the synthesizer as fast as it can (no clock), e.g. into a WAV file.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/synth/Synthesizer.h"
#include "song/Song.h"

namespace cv {

// Sends every event in time order and renders the audio between them, then a 3.5 s tail; the
// note-ons of mutedChannel (0..15, -1: none) stay out (a backing track without the melody).
// progress(doneMs, totalMs) is called now and then; returns the rendered length in ms.
int64_t RenderSongOffline(const Song& song, TSynthesizer& synth,
                          const std::function<void(int64_t, int64_t)>& progress = nullptr, int mutedChannel = -1);

}  // namespace cv
