// Every readable corpus song, opened as the program does, written in both formats and read again,
// keeps its channel events, its lyric events and its tempo map; an independent parser (mido)
// reads every written file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <tuple>

#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/MidiFileReader.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

namespace fs = std::filesystem;

namespace {

using TickBytes = std::pair<int32_t, std::vector<uint8_t>>;

struct Digest {
  std::map<int, std::vector<TickBytes>> channels;  // channel -> sorted (tick, bytes)
  std::vector<std::tuple<int32_t, int, std::string>> tempoMap;  // tempo and time signatures
  std::vector<std::pair<int32_t, std::string>> lyrics;  // lyric events as the file carries them
  size_t channelEvents = 0;
};

Digest DigestOf(const cv::Song& song) {
  Digest d;
  for (size_t t = 0; t < song.NumberOfSourceTracks; ++t) {
    for (const cv::TypMidiEvent* e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent) {
      if (e->DType == cv::DTypeChannel) {
        std::vector<uint8_t> bytes{e->Command};
        for (int i = 0; i + 1 < e->DataLength() && i < 2; ++i) bytes.push_back(e->Value[i]);
        d.channels[e->Command & 0x0F].emplace_back(e->Position, std::move(bytes));
        ++d.channelEvents;
      } else if (e->Command == 0xFF && (e->MType == 0x51 || e->MType == 0x58) && e->Position <= song.MaxSongPosition) {
        // Tempo events after the song end (after the End of Track) are not part of the song.
        d.tempoMap.emplace_back(e->Position, e->MType, e->Meta);
      }
    }
  }
  for (auto& [channel, events] : d.channels) std::sort(events.begin(), events.end());
  std::sort(d.tempoMap.begin(), d.tempoMap.end());
  for (const cv::TypMidiEvent* e = song.MidiTrack[song.LyricsTrackIndex()].TrkFirstEvent; e; e = e->NextEvent) {
    if (e->Command != 0xFF || e->MType != 0x05 || e->Meta.empty()) continue;
    std::string text = e->Meta;
    std::replace(text.begin(), text.end(), '_', ' ');
    d.lyrics.emplace_back(e->Position, text);
  }
  return d;
}

TEST(RoundTrip, CorpusSongsSurviveBothFormats) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  const std::string dir = cvtest::TempDir();
  std::map<std::string, size_t> expectedChannelEvents;  // written file -> channel events
  std::map<std::string, std::string> sourceOf;          // written file -> corpus file
  int readable = 0;
  for (const auto& [relative, path] : cvtest::AllCorpusSongs()) {
    cv::Song source;
    try {
      cv::DateiOeffnen(source, path);
    } catch (const cv::EMidiError&) {
      continue;  // unreadable files are the reader's business
    }
    ++readable;
    const Digest before = DigestOf(source);
    const std::string stem = fs::path(path).stem().string();
    for (int format : {0, 1}) {
      SCOPED_TRACE(path + " as format " + std::to_string(format));
      const std::string out = dir + "/" + stem + ".f" + std::to_string(format) + ".mid";
      cv::SilentSink sink;
      ASSERT_TRUE(format == 0 ? cv::SaveToFileFormat0(source, out, sink) : cv::SaveToFileFormat1(source, out, sink));
      cv::Song opened;
      ASSERT_NO_THROW(cv::DateiOeffnen(opened, out));
      // What the file holds, before the open flow turns lyric events into syllables and back.
      cv::Song again;
      again.SourceData = cvtest::ReadFileBytes(out);
      ASSERT_NO_THROW(cv::ReadMidiData(again));
      EXPECT_EQ(again.MidiFileFormat, format);
      const Digest after = DigestOf(again);
      EXPECT_EQ(after.channels, before.channels);
      EXPECT_EQ(after.tempoMap, before.tempoMap);
      EXPECT_EQ(after.lyrics, before.lyrics);
      expectedChannelEvents[out] = before.channelEvents;
      sourceOf[out] = path;
    }
  }
  EXPECT_GT(readable, 30);

  // The independent parser: Debian's python3-mido under the system Python.
  if (!fs::exists("/usr/bin/python3") ||
      std::system("/usr/bin/python3 -c 'import mido' 2>/dev/null") != 0)
    GTEST_SKIP() << "python3-mido is not installed (scripts/packages/core.txt)";
  const std::string script = dir + "/count.py";
  {
    std::ofstream py(script);
    py << "import sys, mido\n"
          "for path in sys.argv[1:]:\n"
          "    try:\n"
          "        f = mido.MidiFile(path)\n"
          "        n = sum(1 for t in f.tracks for m in t if not m.is_meta and m.type != 'sysex')\n"
          "        print(path + '\\t' + str(n))\n"
          "    except Exception as e:\n"
          "        print(path + '\\tERROR ' + repr(e))\n";
  }
  std::string command = "/usr/bin/python3 " + script + " " + dir + "/*.mid";
  for (const auto& [file, source] : sourceOf) command += " '" + source + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string output;
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, pipe.get())) output.append(buf, n);
  std::map<std::string, std::string> counted;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    size_t tab = line.find('\t');
    if (tab != std::string::npos) counted[line.substr(0, tab)] = line.substr(tab + 1);
  }
  std::map<std::string, std::string> rejectedByMido;
  for (const auto& [file, source] : sourceOf)
    if (counted[source].rfind("ERROR", 0) == 0) rejectedByMido[file] = source;
  for (const auto& [file, events] : expectedChannelEvents) {
    // A source whose own data mido rejects (an SMPTE offset with 100 frames) is written as it is.
    const auto source = rejectedByMido.find(file);
    if (source != rejectedByMido.end() && counted[file].rfind("ERROR", 0) == 0) continue;
    EXPECT_EQ(counted[file], std::to_string(events)) << file;
  }
}

}  // namespace
