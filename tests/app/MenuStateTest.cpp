// The menus follow the view state alone: each editor mode with the items a user may use there.
#include <gtest/gtest.h>

#include <QMenu>

#include "AppFixture.h"
#include "app/EditTempoForm.h"
#include "app/EditTransposeForm.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

QString LyricsSong() {
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& t = b.AddTrack();
  const char* words[] = {"Title\r", "Artist\r", "Hel", "lo ", "world\r", "how ", "are ", "you\r"};
  for (int i = 0; i < 8; ++i) t.Lyric(i * 480, words[i]).NoteOn(i * 480, 0, 60, 90).NoteOff(i * 480 + 400, 0, 60);
  return Q(b.WriteTemp("menus.mid"));
}

// Items of the File and Text menus, enabled or not.
struct Expected {
  const char* state;
  bool save, load, edit, mtc, hyphenate, assign, textSave;
  const char* editText;
  const char* mtcText;
};

void ExpectMenus(AppWindow& w, const Expected& e) {
  SCOPED_TRACE(e.state);
  EXPECT_EQ(w.Enabled("MainMenu_DateiSpeichern"), e.save);
  EXPECT_EQ(w.Enabled("MainMenu_DateiSpeichernUnter"), e.save);
  EXPECT_EQ(w.Enabled("MainMenu_TextLaden"), e.load);
  EXPECT_EQ(w.Enabled("MainMenu_TextEdit"), e.edit);
  EXPECT_EQ(w.Enabled("PopupMenu_TextEdit"), e.edit);
  EXPECT_EQ(w.Enabled("MainMenu_TextEditMTC"), e.mtc);
  EXPECT_EQ(w.Enabled("MainMenu_TextHyphenate"), e.hyphenate);
  EXPECT_EQ(w.Enabled("PopupMenu_TextHyphenate"), e.hyphenate);
  for (const char* item : {"MainMenu_TextAssign", "PopupMenu_TextAssign", "MainMenu_TextHideNote",
                           "MainMenu_TextQuantize", "MainMenu_TextDelete", "MainMenu_TextUpperCase"})
    EXPECT_EQ(w.Enabled(item), e.assign) << item;
  EXPECT_EQ(w.Enabled("MainMenu_TextSpeichern"), e.textSave);
  EXPECT_EQ(w.Text("MainMenu_TextEdit"), QLatin1String(e.editText));
  EXPECT_EQ(w.Text("MainMenu_TextEditMTC"), QLatin1String(e.mtcText));
}

}  // namespace

TEST(MenuState, EachEditorModeOffersItsOwnItems) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  AppWindow w(TempSettingsFile());
  const Expected noSong{"no song", false, false, false, false, false, false, false, "Edit", "Edit with MTC"};
  const Expected viewing{"viewing", true, true, true, true, false, true, true, "Edit", "Edit with MTC"};
  const Expected editing{"editing text", false, true, true, false, true, false, false, "Finish editing",
                         "Edit with MTC"};
  const Expected times{"editing times", false, false, false, true, false, false, false, "Edit",
                       "Finish editing with MTC"};
  const Expected emptied{"lyrics deleted", true, true, true, false, true, false, false, "Finish editing",
                         "Edit with MTC"};
  ExpectMenus(w, noSong);
  EXPECT_FALSE(w->Menu(QStringLiteral("MainMenu_Text"))->menuAction()->isEnabled());

  ASSERT_TRUE(w->DateiOeffnen(LyricsSong()));
  EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Text"))->menuAction()->isEnabled());
  ExpectMenus(w, viewing);
  w->MainMenu_TextEditClick();
  ExpectMenus(w, editing);
  w->MainMenu_TextEditClick();
  ExpectMenus(w, viewing);
  w->MainMenu_TextEditMTCClick();
  ExpectMenus(w, times);
  w->MainMenu_TextEditMTCClick();
  ExpectMenus(w, viewing);

  w.answerYes = true;
  w->MainMenu_TextDeleteClick();
  ExpectMenus(w, emptied);

  // A failed open leaves the song and the mode it was in, and the menus with them.
  EXPECT_FALSE(w->DateiOeffnen(Q(cvtest::WriteTempFile("short.mid", std::vector<uint8_t>(23, 'M')))));
  ExpectMenus(w, emptied);
  EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Text"))->menuAction()->isEnabled());
}

TEST(MenuState, TempoAndTransposeWindowsExcludeEachOtherHoweverTheyClose) {
  AppWindow w(TempSettingsFile());
  ASSERT_TRUE(w->DateiOeffnen(LyricsSong()));
  w->MainMenu_EditTempoClick();
  EXPECT_FALSE(w.Enabled("MainMenu_EditTranspose"));
  w->TempoForm()->close();
  EXPECT_TRUE(w.Enabled("MainMenu_EditTranspose"));
  w->MainMenu_EditTransposeClick();
  EXPECT_FALSE(w.Enabled("MainMenu_EditTempo"));
  w->TransposeForm()->close();
  EXPECT_TRUE(w.Enabled("MainMenu_EditTempo"));
}
