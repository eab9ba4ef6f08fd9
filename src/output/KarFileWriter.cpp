#include "output/KarFileWriter.h"

#include <algorithm>
#include <deque>

#include "output/EventEncoder.h"
#include "output/MidiFileWriter1.h"
#include "output/SaveFile.h"
#include "song/Language.h"
#include "song/LineBreak.h"
#include "song/SongEncoding.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

// The file encoded into image, handed to drain block by block where one is given.
void KarImage(const Song& song, const std::string& languageTag, ByteBuffer& image, ImageDrain* drain) {
  const int count = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  const auto sung = std::find_if(song.HyphenArray.begin(), song.HyphenArray.begin() + std::max(count, 0),
                                 [](const THyphens& h) { return !h.Text.empty() && !IsLineBreak(h); });
  if (sung == song.HyphenArray.begin() + std::max(count, 0))
    throw EMidiError(Tr("Der Song hat keinen Liedtext; eine Karaoke-Datei braucht ihn. Es wurde nichts geschrieben. "
                        "Geben Sie zuerst den Text ein (Text > Bearbeiten) oder laden Sie ihn.",
                        "The song has no lyrics, and a karaoke file needs them. Nothing was written. Enter or load "
                        "the lyrics first (Text > Edit)."));

  std::deque<TypMidiEvent> made;
  KaraokeChunks chunks;
  auto add = [&](std::vector<const TypMidiEvent*>& to, int16_t type, std::string data, int32_t position) {
    to.push_back(&made.emplace_back(MakeMetaEvent(type, std::move(data), position)));
  };

  add(chunks.Header, 0x03, "Soft Karaoke", 0);
  add(chunks.Header, 0x01, "@KMIDI KARAOKE FILE", 0);
  add(chunks.Header, 0x01, "@V0100", 0);
  const std::u16string copyright = Utf8ToUtf16(song.Configuration.CopyrightString);
  for (size_t start = 0; start < copyright.size();) {
    size_t end = copyright.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = copyright.size();
    if (end > start) add(chunks.Header, 0x01, "@I" + EncodeText(copyright.substr(start, end - start), song.Encoding), 0);
    start = end + 1;
  }

  // The song's own information lines stay, after the options' copyright.
  const size_t tracks = std::min<size_t>(song.NumberOfSourceTracks, song.MidiTrack.size());
  for (size_t t = 0; t < tracks; ++t)
    for (const TypMidiEvent* e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent)
      if (IsKaraokeHeaderLine(*e) && e->Meta.starts_with("@I") &&
          std::none_of(chunks.Header.begin(), chunks.Header.end(), [&](const TypMidiEvent* h) { return h->Meta == e->Meta; }))
        add(chunks.Header, 0x01, e->Meta, 0);

  add(chunks.Words, 0x03, "Words", 0);
  add(chunks.Words, 0x01, "@L" + languageTag, 0);
  const int header = HeaderElementCount(song);
  int32_t last = 0;
  int breaks = 2;  // the song's start is a new page
  bool anySung = false;
  std::vector<int32_t> closingBreaks;  // line breaks after the last sung syllable so far
  for (int i = 0; i < count; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (IsLineBreak(h)) {
      ++breaks;
      if (anySung) closingBreaks.push_back(h.SongPosition);
      continue;
    }
    if (h.Text.empty()) continue;
    if (i < header) {
      add(chunks.Words, 0x01, "@T" + SyllableBytes(song, h), 0);
    } else {
      const char* mark = breaks >= 2 ? "\\" : breaks == 1 ? "/" : "";
      // Text events go in tick order whatever an edit left.
      last = std::max(last, h.SongPosition);
      add(chunks.Words, 0x01, mark + SyllableBytes(song, h), last);
      anySung = true;
      closingBreaks.clear();
    }
    breaks = 0;
  }
  // The last line's end has no next line to carry its mark: an empty "/" keeps it (players show
  // an empty line at most).
  for (const int32_t tick : closingBreaks) {
    last = std::max(last, tick);
    add(chunks.Words, 0x01, "/", last);
  }
  const int32_t end = std::max(song.MaxSongPosition, last);
  add(chunks.Header, 0x2F, std::string(), end);
  add(chunks.Words, 0x2F, std::string(), end);
  Format1Image(song, image, drain, &chunks);
}

}  // namespace

std::vector<uint8_t> KarFileImage(const Song& song, const std::string& languageTag) {
  ByteBuffer image;
  KarImage(song, languageTag, image, nullptr);
  return std::vector<uint8_t>(image.begin(), image.end());
}

bool SaveToKarFile(const Song& song, const std::string& NewFileName, const std::string& languageTag,
                   MessageSink& sink) {
  return SaveImageSafely(NewFileName, sink,
                         [&](ByteBuffer& image, ImageDrain* drain) { KarImage(song, languageTag, image, drain); });
}

}  // namespace cv
