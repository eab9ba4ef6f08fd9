#include <gtest/gtest.h>

#include <zip.h>

#include <filesystem>
#include <fstream>

#include "platform/documents/DocumentReaders.h"
#include "song/Language.h"
#include "song/TextCodec.h"
#include "support/SmfBuilder.h"
#include "TestPaths.h"

using namespace cv;

namespace {

std::string Fixture(const std::string& name) { return std::string(CANTOVEX_TEST_DATA_DIR) + "/documents/" + name; }

std::vector<std::u16string> Read(const std::string& path) {
  static auto readers = AllDocumentReaders();
  const DocumentReader* reader = FindDocumentReader(readers, path);
  if (!reader) throw std::runtime_error("no reader for " + path);
  return reader->ReadLines(path);
}

std::string WriteBytes(const std::string& name, const std::string& bytes) {
  return cvtest::WriteTempFile(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::string CorruptCopy(const std::string& name, size_t keepBytes) {
  auto bytes = cvtest::ReadFileBytes(Fixture(name));
  bytes.resize(std::min(bytes.size(), keepBytes));
  return cvtest::WriteTempFile(name, bytes);
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string out;
  for (char16_t c : text) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

// A copy of a fixture document with one member replaced.
std::string WithMember(const std::string& fixture, const char* member, const std::string& content) {
  const auto bytes = cvtest::ReadFileBytes(Fixture(fixture));
  const std::string path = cvtest::WriteTempFile(fixture, bytes);
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &error);
  zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
  zip_file_add(archive, member, source, ZIP_FL_OVERWRITE);
  zip_close(archive);
  return path;
}

std::string Nested(const std::string& open, const std::string& close, int depth, const std::string& inner) {
  std::string xml;
  for (int i = 0; i < depth; ++i) xml += open;
  xml += inner;
  for (int i = 0; i < depth; ++i) xml += close;
  return xml;
}

}  // namespace

// The same text saved by a word processor in every format gives the same lines as the plain text.
TEST(DocumentReaders, EveryFormatGivesTheLinesOfThePlainText) {
  auto expected = Read(Fixture("lyrics.txt"));
  ASSERT_EQ(expected.size(), 10u);
  EXPECT_EQ(expected[0], u"Der Mond ist aufgegangen");
  EXPECT_EQ(expected[2], u"");
  EXPECT_EQ(expected[4], u"die gold-nen Stern-lein prangen\tam Himmel hell und klar;");
  EXPECT_EQ(expected[9], u"der wei-\u00DFe Ne-bel wun-der-bar. Gr\u00FC\u00DFe: \u00E4\u00F6\u00FC \u00C4\u00D6\u00DC \u00DF");
  for (const char* name : {"lyrics.docx", "lyrics.odt", "lyrics.doc", "lyrics.rtf"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Read(Fixture(name)), expected);
  }
}

TEST(DocumentReaders, PlainTextEncodings) {
  std::u16string umlauts = u"Gr\u00FC\u00DFe \u00E4";
  struct Case { const char* what; std::string bytes; };
  const Case cases[] = {
      {"utf-8 with mark", "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e \xC3\xA4\r\nzwei"},
      {"utf-8 without mark", "Gr\xC3\xBC\xC3\x9F" "e \xC3\xA4\nzwei\n"},
      {"windows-1252", "Gr\xFC\xDF" "e \xE4\rzwei"},
      {"utf-16 le", Utf16Bytes(u"\uFEFFGr\u00FC\u00DFe \u00E4\r\nzwei", false)},
      {"utf-16 be", Utf16Bytes(u"\uFEFFGr\u00FC\u00DFe \u00E4\nzwei", true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Read(WriteBytes("t.TXT", c.bytes)), (std::vector<std::u16string>{umlauts, u"zwei"}));
  }
}

TEST(DocumentReaders, RtfControlWordsAndDestinations) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Times;}}{\\*\\generator Hand;}{\\info{\\title T}}"
      "\\pard Gr\\'fc\\'dfe\\tab x\\par\n"
      "\\uc1\\u8364?uro\\line {\\b fett}\\{\\}\\\\ {\\*\\unknown skip me}end\\par}";
  EXPECT_EQ(Read(WriteBytes("a.rtf", rtf)),
            (std::vector<std::u16string>{u"Gr\u00FC\u00DFe\tx", u"\u20ACuro", u"fett{}\\ end"}));
}

TEST(DocumentReaders, DamagedDocumentsEndWithAMessageNamingTheFile) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string damaged[] = {
      CorruptCopy("lyrics.docx", 1000), CorruptCopy("lyrics.odt", 2000), CorruptCopy("lyrics.doc", 3000),
      WriteBytes("junk.doc", std::string(4096, 'x')), WriteBytes("junk.docx", "PK not a zip"),
      WriteBytes("plain.rtf", "no rtf header"), Fixture("bomb.docx"),
  };
  for (const std::string& path : damaged) {
    SCOPED_TRACE(path);
    try {
      Read(path);
      ADD_FAILURE() << "read without error";
    } catch (const EDocumentError& e) {
      std::string name = std::filesystem::path(path).filename().string();
      EXPECT_NE(std::string(e.what()).find("\"" + name + "\""), std::string::npos) << e.what();
    }
  }
  SetCurrLanguage(TLanguage::Deutsch);
  EXPECT_THROW(Read("/nonexistent/lied.txt"), EDocumentError);
}

// A document nested thousands of levels deep says so, instead of "no text" or "too many lines".
TEST(DocumentReaders, DeeplyNestedDocumentsSaySo) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string docx =
      "<w:document xmlns:w=\"w\"><w:body>" + Nested("<w:p>", "</w:p>", 200000, "<w:r><w:t>la</w:t></w:r>") +
      "</w:body></w:document>";
  const std::string odt = "<office:document-content xmlns:office=\"o\" xmlns:text=\"t\"><office:body><office:text>" +
                          Nested("<text:section>", "</text:section>", 200000, "<text:p>la</text:p>") +
                          "</office:text></office:body></office:document-content>";
  for (const std::string& path :
       {WithMember("lyrics.docx", "word/document.xml", docx), WithMember("lyrics.odt", "content.xml", odt)}) {
    try {
      Read(path);
      ADD_FAILURE() << path << " read without error";
    } catch (const EDocumentError& e) {
      EXPECT_NE(std::string(e.what()).find("nested too deeply to read"), std::string::npos) << e.what();
    }
  }
  // Real nesting (a table in a table) reads.
  const std::string shallow = "<w:document xmlns:w=\"w\"><w:body>" +
                              Nested("<w:tbl><w:tr><w:tc>", "</w:tc></w:tr></w:tbl>", 20, "<w:p><w:r><w:t>la</w:t></w:r></w:p>") +
                              "</w:body></w:document>";
  EXPECT_EQ(Read(WithMember("lyrics.docx", "word/document.xml", shallow)), std::vector<std::u16string>{u"la"});
}

TEST(DocumentReaders, TooManyLinesAreRefused) {
  std::string path = WriteBytes("many.txt", std::string(kMaxDocumentLines + 1, '\n'));
  EXPECT_THROW(Read(path), EDocumentError);
}

TEST(DocumentReaders, ChosenByExtensionOnly) {
  auto readers = AllDocumentReaders();
  EXPECT_NE(FindDocumentReader(readers, "/x/Song.DOCX"), nullptr);
  EXPECT_EQ(FindDocumentReader(readers, "/x/song.xyz"), nullptr);
  EXPECT_EQ(FindDocumentReader(readers, "/x/docx"), nullptr);
}
