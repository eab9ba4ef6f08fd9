// Speed work on the reader and the writers must not change a byte: every corpus song, opened as the
// program does, is written in both formats and as a karaoke file, and the written files and the
// song as read (syllables, times, tempo map, every event) are compared by SHA-256 with a table
// recorded before the change.
//
// The table is tests/data/written-bytes.tsv. After a change that is meant to alter the output,
// record it again and review the diff:
//   CANTOVEX_RECORD_WRITTEN_BYTES=$PWD/tests/data/written-bytes.tsv
//   build/tests/output_tests --gtest_filter='WrittenBytes.*'   (with that variable set)
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "output/KarFileWriter.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "session/OpenSong.h"
#include "song/TextCodec.h"
#include "support/Corpus.h"
#include "support/Sha256.h"
#include "TestPaths.h"

using namespace cv;

namespace {

struct Row {
  std::string read, format0, format1, kar;
};

std::string Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return std::to_string(u);
}

void PutChain(std::ostringstream& out, const TypMidiEvent* e) {
  for (; e; e = e->NextEvent) {
    out << e->Position << ',' << e->TimePosition << ',' << int{e->Command} << ',' << int{e->DType} << ',' << int{e->MType}
        << ',' << e->DataLength() << ',' << e->Hidden << ',' << int{e->Value[0]} << ',' << int{e->Value[1]} << ','
        << int{e->ValueOrg[0]} << ',' << int{e->ValueOrg[1]} << ',' << e->Meta.size() << ':' << e->Meta << ';';
  }
  out << '\n';
}

// What reading decides: encoding, lengths, time map, tempo and signature lists, syllables, and
// every event of the song's chains with its tick and time. The melody is the melody finder's
// choice, which changes with it, not with the reader.
std::string ReadState(const Song& s) {
  std::ostringstream out;
  out << EncodingName(s.Encoding) << ' ' << s.MidiFileFormat << ' ' << s.SourceTimeBase << ' ' << s.MaxSongPosition
      << ' ' << s.SongLength << ' ' << s.LyricsMetaType << ' ' << s.LyricsTrack << ' ' << s.TitleLine << ' '
      << s.XF_Present << ' ' << s.PromptaControllerTrack << '\n';
  for (const TTimeZone& z : s.TimeZone)
    out << z.Measure << ',' << int{z.Beat} << ',' << z.Ticks << ',' << z.SongPosition << ',' << int{z.TS_Denominator}
        << ',' << int{z.TS_Numerator} << ',' << z.Tempo << ',' << Bits(z.TempoComp) << ',' << z.TempoLongInt << ','
        << z.Time << ';';
  out << '\n';
  for (const TTempo& t : s.TempoArray)
    out << t.OldTempoLongInt << ',' << t.OriginalTempoLongint << ',' << t.SongPosition << ',' << t.Tempo << ','
        << t.TempoLongInt << ';';
  out << '\n';
  for (const TTimeSign& t : s.TimeSignature)
    out << int{t._32NotesInQNote} << ',' << int{t.Denominator} << ',' << int{t.Numerator} << ',' << t.SongPosition
        << ',' << int{t.TicksInMClick} << ';';
  out << '\n';
  for (const THyphens& h : s.HyphenArray)
    out << h.dTime << ',' << h.pTime << ',' << Utf16ToUtf8(h.MTC) << ',' << h.SongPosition << ',' << h.Time << ','
        << Utf16ToUtf8(h.Text) << ',' << h.SourceBytes << ';';
  out << '\n';
  for (const TMyTrack& t : s.MidiTrack) {
    out << t.TrkEventCounter << ' ' << t.TrkMidiChannel << ' ' << t.TrkPatchNumber << ' ';
    PutChain(out, t.TrkFirstEvent);
  }
  return out.str();
}

std::string Hash(const std::vector<uint8_t>& bytes) { return cvtest::Sha256Hex(bytes.data(), bytes.size()); }

Row RowOf(const std::string& path) {
  Song song;
  try {
    DateiOeffnen(song, path);
  } catch (const EMidiError&) {
    return {"fails", "-", "-", "-"};  // the message is in the user's language: only that it fails counts
  }
  auto written = [&](auto&& write) {
    try {
      return Hash(write());
    } catch (const EMidiError&) {
      return std::string("fails");
    }
  };
  return {cvtest::Sha256Hex(ReadState(song)), written([&] { return Format0FileImage(song, "Out"); }),
          written([&] { return Format1FileImage(song); }), written([&] { return KarFileImage(song, "ENGL"); })};
}

const std::string kTable = std::string(CANTOVEX_TEST_DATA_DIR) + "/written-bytes.tsv";

std::map<std::string, Row> LoadTable() {
  std::map<std::string, Row> rows;
  std::ifstream in(kTable);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    Row r;
    std::getline(fields, name, '\t');
    std::getline(fields, r.read, '\t');
    std::getline(fields, r.format0, '\t');
    std::getline(fields, r.format1, '\t');
    std::getline(fields, r.kar, '\t');
    rows[name] = r;
  }
  return rows;
}

TEST(WrittenBytes, EveryCorpusSongReadsAndWritesAsRecorded) {
  const auto songs = cvtest::AllCorpusSongs();
  if (const char* record = std::getenv("CANTOVEX_RECORD_WRITTEN_BYTES"); record && *record) {
    std::ofstream out(record);
    out << "# song\tsong as read\tformat 0 file\tformat 1 file\tkaraoke file (SHA-256; see "
           "tests/output/WrittenBytesTest.cpp)\n";
    for (const auto& [name, path] : songs) {
      const Row r = RowOf(path);
      out << name << '\t' << r.read << '\t' << r.format0 << '\t' << r.format1 << '\t' << r.kar << '\n';
    }
    GTEST_SKIP() << "recorded " << songs.size() << " songs into " << record;
  }
  const auto table = LoadTable();
  ASSERT_FALSE(table.empty()) << kTable << " is missing";
  size_t compared = 0;
  for (const auto& [name, path] : songs) {
    SCOPED_TRACE(name);
    const auto it = table.find(name);
    if (it == table.end()) {
      ADD_FAILURE() << name << " is not in " << kTable << ": record the table (see the test's head)";
      continue;
    }
    const Row r = RowOf(path);
    EXPECT_EQ(r.read, it->second.read) << "the song as read changed";
    EXPECT_EQ(r.format0, it->second.format0) << "the format 0 file changed";
    EXPECT_EQ(r.format1, it->second.format1) << "the format 1 file changed";
    EXPECT_EQ(r.kar, it->second.kar) << "the karaoke file changed";
    ++compared;
  }
  if (compared < table.size())
    std::cout << "[ note ] " << table.size() - compared << " recorded songs are test-only and absent: "
              << cvtest::CorpusSkipReason("the recorded songs") << '\n';
}

}  // namespace
