// Leaving the edit text and the position text: large lyrics, an insertion, hostile lines.
#include <benchmark/benchmark.h>

#include <string>

#include "lyrics/EditText.h"
#include "lyrics/MtcText.h"
#include "lyrics/PositionTexts.h"

namespace {

void MakeSong(cv::Song& song, int lines) {
  song.SourceTimeBase = 480;
  song.MaxSongPosition = 480 * 4 * (lines + 10);
  cv::TTimeZone zone;
  zone.TempoComp = 500.0f / 480;
  cv::TTimeZone end = zone;
  end.SongPosition = song.MaxSongPosition + 1;
  song.TimeZone = {zone, end, end};
  song.TimeZoneElements = 2;
  std::u16string text = u"Song\nArtist\n";
  for (int i = 0; i < lines; ++i) text += u"Hel-lo wun-der-ba-re Welt\n";
  cv::LeaveEditText(song, text, nullptr);
  // Spread the syllables over the song as an assignment would.
  for (size_t i = 4; i < song.HyphenArray.size(); ++i) song.HyphenArray[i].SongPosition = static_cast<int32_t>(i * 240);
  cv::FillPositionTexts(song);
}

void BM_LeaveEditTextUnchanged(benchmark::State& state) {
  cv::Song song;
  MakeSong(song, static_cast<int>(state.range(0)));
  const std::u16string text = cv::BuildEditText(song).Text;
  for (auto _ : state) benchmark::DoNotOptimize(cv::LeaveEditText(song, text, nullptr).Status);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LeaveEditTextUnchanged)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LeaveEditTextInsertion(benchmark::State& state) {
  cv::Song song;
  MakeSong(song, static_cast<int>(state.range(0)));
  std::u16string text = cv::BuildEditText(song).Text;
  text.insert(text.size() / 2, u"neu ");
  for (auto _ : state) {
    state.PauseTiming();
    cv::Song copy;
    MakeSong(copy, static_cast<int>(state.range(0)));
    state.ResumeTiming();
    benchmark::DoNotOptimize(cv::LeaveEditText(copy, text, nullptr).Status);
  }
}
BENCHMARK(BM_LeaveEditTextInsertion)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LeaveMtcText(benchmark::State& state) {
  cv::Song song;
  MakeSong(song, static_cast<int>(state.range(0)));
  const std::u16string text = cv::BuildMtcText(song).Text;
  for (auto _ : state) benchmark::DoNotOptimize(cv::LeaveMtcText(song, text).Status);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LeaveMtcText)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One line of 200 000 markers, and 200 000 lines of which every one but two is dropped.
void BM_HostileLines(benchmark::State& state) {
  cv::Song song;
  MakeSong(song, 10);
  std::u16string markers = u"Song\nArtist\n";
  for (int i = 0; i < 200000; ++i) markers += u"---- ";
  std::u16string blanks = u"001.01.108 Song\n001.01.112 x\n";
  for (int i = 0; i < 200000; ++i) blanks += u"001.02.000  \n";
  blanks += u"001.03.000 la";
  for (auto _ : state) {
    benchmark::DoNotOptimize(cv::LeaveEditText(song, markers, nullptr).Status);
    benchmark::DoNotOptimize(cv::LeaveMtcText(song, blanks).Status);
  }
}
BENCHMARK(BM_HostileLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
