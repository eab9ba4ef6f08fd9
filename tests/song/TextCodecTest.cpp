#include <gtest/gtest.h>

#include "song/TextCodec.h"

using namespace cv;

TEST(TextCodec, Windows1252RoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(all)), all);
  EXPECT_EQ(DecodeWindows1252("\x80\x92\xE4"), u"\u20AC\u2019\u00E4");
  EXPECT_EQ(EncodeWindows1252(u"\u4E2D"), "?");
}

TEST(TextCodec, Utf8) {
  EXPECT_TRUE(IsValidUtf8("H\xC3\xB6lle"));
  EXPECT_FALSE(IsValidUtf8("H\xF6lle"));
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong
  EXPECT_TRUE(HasMultiByteUtf8("\xC3\xB6"));
  EXPECT_FALSE(HasMultiByteUtf8("plain"));
  std::u16string s = u"H\u00F6lle \u4E2D \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
}
