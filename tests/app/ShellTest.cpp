// Start-up decisions: language, hidden mode, window placement, highlight offsets.
#include <gtest/gtest.h>

#include "app/SelectHyphen.h"
#include "app/SystemInfo.h"
#include "app/WindowGeometry.h"

using namespace cvapp;

TEST(Shell, LanguageFromStoredValueThenSystem) {
  struct Case {
    bool stored;
    const char* value;
    const char* system;
    cv::TLanguage expected;
  };
  const Case cases[] = {
      {true, "de", "English", cv::TLanguage::Deutsch},
      {true, "en", "Deutsch", cv::TLanguage::Englisch},
      {true, "fr", "Deutsch", cv::TLanguage::Englisch},
      {true, "Deutsch (Schweiz)", "English", cv::TLanguage::Deutsch},
      {false, "", "Deutsch", cv::TLanguage::Deutsch},
      {false, "", "American English", cv::TLanguage::Englisch},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseLanguage(c.stored, QLatin1String(c.value), QLatin1String(c.system)), c.expected)
        << c.value << " / " << c.system;
}

TEST(Shell, HiddenModeOnlyFromArgumentsOneToThree) {
  EXPECT_TRUE(IsHiddenMode({"cantovex", "QorvelIntabu"}));
  EXPECT_TRUE(IsHiddenMode({"cantovex", "a.mid", "b", "qorvelintabu"}));
  EXPECT_FALSE(IsHiddenMode({"cantovex", "a", "b", "c", "qorvelintabu"}));
  EXPECT_FALSE(IsHiddenMode({"qorvelintabu"}));  // the program's own name does not count
  EXPECT_FALSE(IsHiddenMode({}));
}

TEST(Shell, OperatingSystemTextNamesOurPlatform) {
  const QString text = OperatingSystemText();
  EXPECT_FALSE(text.contains(QLatin1String("Windows")) && !text.contains(QLatin1String("winnt")));
  EXPECT_TRUE(text.contains(QSysInfo::kernelVersion())) << text.toStdString();
}

TEST(Shell, WindowPlacementIsPulledOntoTheDesktop) {
  const QRect desktop(0, 0, 1920, 1040);
  struct Case {
    TWindowGeometry in, out;
  };
  const Case cases[] = {
      {{100, 50, 480, 640}, {100, 50, 480, 640}},          // fits: unchanged
      {{5000, 3000, 480, 640}, {1280, 560, 480, 640}},     // far right and below
      {{-300, -200, 480, 640}, {0, 0, 480, 640}},          // left of and above the desktop
      {{10, 10, 2000, 3000}, {10, 10, 1040, 1920}},        // larger than the desktop
      {{1905, 1025, 480, 640}, {1280, 560, 480, 640}},     // only 15 pixels would show
      {{-9999, -9999, 480, 640}, {-9999, -9999, 480, 640}},  // never stored
      {{-9999, -9999, 32767, 32767}, {-9999, -9999, 1040, 1920}},  // never placed, still no larger
      {{30000, -30000, 32767, 32767}, {0, 0, 1040, 1920}},         // far off, far too large
  };
  for (const Case& c : cases) {
    const TWindowGeometry g = ClampWindowGeometry(c.in, desktop);
    EXPECT_EQ(g.Left, c.out.Left) << c.in.Left;
    EXPECT_EQ(g.Top, c.out.Top) << c.in.Top;
    EXPECT_EQ(g.Height, c.out.Height);
    EXPECT_EQ(g.Width, c.out.Width);
  }
}

namespace {
std::vector<cv::THyphens> Syllables(std::initializer_list<const char16_t*> texts) {
  std::vector<cv::THyphens> out;
  for (const char16_t* t : texts) {
    cv::THyphens h;
    h.Text = t;
    out.push_back(h);
  }
  return out;
}
}  // namespace

TEST(Shell, HighlightSelectsTheLineUpToTheSyllable) {
  // "Twin" "kle " "twin" "kle" CR "lit" "tle " "star" CR "how " "I" CR "won" "der" CR
  const auto h = Syllables({u"Twin", u"kle ", u"twin", u"kle", u"\r", u"lit", u"tle ", u"star", u"\r",
                            u"how ", u"I", u"\r", u"won", u"der", u"\r"});
  const int n = static_cast<int>(h.size());
  struct Case {
    int index;
    int selStart, selEnd, caret;
    bool endOfLine;
  };
  const Case cases[] = {
      {0, 0, 4, 37, false},   // first syllable; caret three line breaks ahead (+1 each)
      {2, 0, 12, 37, false},
      {4, 0, 15, 36, true},   // line break: the finished line without it, two lines ahead
      {6, 16, 23, 44, false},
      {14, 34, 40, 41, true},  // last element: the caret stays at the end
  };
  for (const Case& c : cases) {
    THighlight out;
    ASSERT_TRUE(ComputeHighlight(h, n, c.index, out)) << c.index;
    EXPECT_EQ(out.SelStart, c.selStart) << c.index;
    EXPECT_EQ(out.SelEnd, c.selEnd) << c.index;
    EXPECT_EQ(out.Caret, c.caret) << c.index;
    EXPECT_EQ(out.EndOfLine, c.endOfLine) << c.index;
  }
  THighlight out;
  EXPECT_FALSE(ComputeHighlight(h, n, -1, out));
  EXPECT_FALSE(ComputeHighlight(h, n, n, out));
  EXPECT_FALSE(ComputeHighlight({}, 0, 0, out));
}
