#include "song/SongEncoding.h"

#include "song/Apostrophes.h"
#include "song/EncodingGuess.h"
#include "song/Language.h"

namespace cv {

namespace {

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsLatin1Letter(unsigned char c) { return IsAsciiLetter(c) || (c >= 0xC0 && c != 0xD7 && c != 0xF7); }

// ISO-8859-15 puts letters (Š š Ž ž Œ œ Ÿ) and the euro where Latin-1 has signs and fractions;
// a sign that stands inside a word, beside a letter and never beside a digit, is such a letter.
bool HasLatin9Letters(std::string_view all) {
  static const std::string_view kMoved = "\xA4\xA6\xA8\xB4\xB8\xBC\xBD\xBE";
  for (size_t i = 0; i < all.size(); ++i) {
    if (kMoved.find(all[i]) == std::string_view::npos) continue;
    const unsigned char before = i > 0 ? all[i - 1] : ' ';
    const unsigned char after = i + 1 < all.size() ? all[i + 1] : ' ';
    const bool digit = (before >= '0' && before <= '9') || (after >= '0' && after <= '9');
    if (!digit && (IsLatin1Letter(before) || IsLatin1Letter(after))) return true;
  }
  return false;
}

bool IsLatin1Family(const TextEncoding& e) {
  return e == TextEncoding::Windows1252 || FindTextEncoding("ISO-8859-1") == e || FindTextEncoding("ISO-8859-15") == e;
}

}  // namespace

TextEncoding ChooseTextEncoding(const std::vector<std::string_view>& texts, std::string_view language) {
  bool high = false;
  bool utf8 = true;
  std::string all;
  for (std::string_view t : texts) {
    if (!high && HasMultiByteUtf8(t)) high = true;
    if (utf8 && !IsValidUtf8(t)) utf8 = false;
    all.append(t);
    all.push_back('\n');
  }
  if (!high) return TextEncoding::Windows1252;
  if (utf8) return TextEncoding::Utf8;
  const TextConverter* converter = InstalledTextConverter();
  if (!converter) return TextEncoding::Windows1252;
  const std::optional<TextEncoding> found = GuessLegacyEncoding(all, *converter, language);
  if (!found || *found == TextEncoding::Utf8) return TextEncoding::Windows1252;
  if (IsLatin1Family(*found)) {
    std::optional<TextEncoding> latin9 = FindTextEncoding("ISO-8859-15");
    return latin9 && HasLatin9Letters(all) ? *latin9 : TextEncoding::Windows1252;
  }
  // Judged by the text it gives, not by its name: a guess that reads like Windows-1252 is it.
  if (DecodeText(all, *found) == DecodeWindows1252(all)) return TextEncoding::Windows1252;
  return *found;
}

void ChangeSongEncoding(Song& song, const TextEncoding& encoding) {
  // Reading plain apostrophes for typographic ones is no change of the user's; it applies again.
  auto asRead = [](std::u16string text) {
    ReplaceTypographicApostrophes(text);
    return text;
  };
  for (THyphens& h : song.HyphenArray) {
    if (h.SourceBytes.empty() || (h.Text != h.SourceText && h.Text != asRead(h.SourceText))) continue;
    h.SourceText = DecodeText(h.SourceBytes, encoding);
    h.Text = asRead(h.SourceText);
  }
  song.Encoding = encoding;
}

int FirstUnencodableSyllable(const Song& song) {
  const int n = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < n; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (!h.SourceBytes.empty() && h.Text == h.SourceText) continue;
    if (!TryEncodeText(h.Text, song.Encoding)) return i;
  }
  return -1;
}

void ReencodeSong(Song& song, const TextEncoding& encoding) {
  if (encoding == song.Encoding) return;
  // The Prompta track carries the prompter's own Windows-1252 data and stays as it is.
  const size_t tracks = std::min(song.MidiTrack.size(), static_cast<size_t>(song.NumberOfSourceTracks) + 1);
  for (size_t t = 0; t < tracks; ++t)
    for (PtrMidiEvent e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent) {
      if (e->Command != 0xFF || e->MType < 0x01 || e->MType > 0x07 || e->Meta.empty()) continue;
      e->Meta = EncodeText(DecodeText(e->Meta, song.Encoding), encoding);
    }
  for (THyphens& h : song.HyphenArray) {
    h.SourceBytes.clear();
    h.SourceText.clear();
  }
  song.Encoding = encoding;
}

std::string UnencodableSyllableText(const Song& song, int index) {
  const std::string text = Utf16ToUtf8(song.HyphenArray.at(static_cast<size_t>(index)).Text);
  const std::string& name = EncodingName(song.Encoding);
  return Tr("Die Silbe " + std::to_string(index) + " \"" + text + "\" kann in der Kodierung " + name +
                " nicht gespeichert werden.",
            "Syllable " + std::to_string(index) + " \"" + text + "\" cannot be saved in the encoding " + name + ".");
}

std::string SyllableBytes(const Song& song, const THyphens& syllable) {
  // A syllable still as read keeps its bytes, whatever re-encoding them would give.
  if (!syllable.SourceBytes.empty() && syllable.Text == syllable.SourceText) return syllable.SourceBytes;
  return EncodeText(syllable.Text, song.Encoding);
}

}  // namespace cv
