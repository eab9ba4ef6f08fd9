// Edit > Undo and Redo in the window: named entries, the usual keys, the title's "*", and the
// editor's own text taking the keys while it is open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeySequence>
#include <QTest>
#include <QTextEdit>

#include "AppFixture.h"
#include "app/EditTransposeForm.h"
#include "app/MainStatus.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

QString Song() {
  return OneLyricPerNoteSong("undo.mid", {"Title\r", "Artist\r", "Hel", "lo, ", "world\r", "how ", "are ", "you!\r"});
}

// Shortcuts reach only the active window.
void Activate(AppWindow& w) {
  w->show();
  QApplication::setActiveWindow(w.window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
}

bool Starred(AppWindow& w) { return w->windowTitle().contains(QLatin1Char('*')); }

}  // namespace

TEST(UndoWindow, TheUsualKeysTakeBackAndRedoANamedChange) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  AppWindow w(TempSettingsFile());
  ASSERT_TRUE(w->DateiOeffnen(Song()));
  Activate(w);
  EXPECT_FALSE(w.Enabled("MainMenu_EditUndo"));
  const QString asRead = w->DisplayText();

  w->MainMenu_TextUpperCaseClick();
  ASSERT_NE(w->DisplayText(), asRead);
  EXPECT_TRUE(Starred(w));
  EXPECT_EQ(w.Text("MainMenu_EditUndo"), QStringLiteral("Undo Upper case"));

  QTest::keySequence(w->MyMemo(), QKeySequence::Undo);
  EXPECT_EQ(w->DisplayText(), asRead);
  EXPECT_FALSE(Starred(w));  // back at the state as opened
  EXPECT_FALSE(w.Enabled("MainMenu_EditUndo"));
  EXPECT_EQ(w.Text("MainMenu_EditRedo"), QStringLiteral("Redo Upper case"));
  EXPECT_TRUE(w->MyMemo()->isReadOnly());

  QTest::keySequence(w->MyMemo(), QKeySequence::Redo);
  EXPECT_NE(w->DisplayText(), asRead);
  EXPECT_TRUE(Starred(w));

  cv::SetCurrLanguage(cv::TLanguage::Deutsch);
  w->UpdateActions();
  EXPECT_EQ(w.Text("MainMenu_EditUndo"), QStringLiteral("Rückgängig: Großschreibung"));
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
}

TEST(UndoWindow, WhileAnEditorIsOpenTheKeysUndoItsText) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  AppWindow w(TempSettingsFile());
  ASSERT_TRUE(w->DateiOeffnen(Song()));
  Activate(w);
  w->MainMenu_TextAssignClick();
  ASSERT_EQ(w.Text("MainMenu_EditUndo"), QStringLiteral("Undo Assign syllables to notes"));
  w->MainMenu_TextEditClick();
  QTextEdit* field = w->MyMemo();
  ASSERT_FALSE(field->isReadOnly());
  field->moveCursor(QTextCursor::End);
  QTest::keyClicks(field, QStringLiteral(" xyz"));
  ASSERT_TRUE(field->toPlainText().endsWith(QLatin1String("xyz")));
  EXPECT_EQ(w.Text("MainMenu_EditUndo"), QStringLiteral("Undo"));  // the field's own step

  QTest::keySequence(field, QKeySequence::Undo);
  EXPECT_FALSE(field->toPlainText().contains(QLatin1String("xyz")));
  EXPECT_EQ(w->Session().History().Entries(), 1u);  // the song's history untouched
  EXPECT_FALSE(w->Session().CanRedo());
}

TEST(UndoWindow, DeletedLyricsComeBackFromTheEmptyEditor) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  AppWindow w(TempSettingsFile());
  ASSERT_TRUE(w->DateiOeffnen(Song()));
  const QString asRead = w->DisplayText();
  w.answerYes = true;
  w->MainMenu_TextDeleteClick();
  ASSERT_EQ(w->Session().EditorMode(), cv::TEditorMode::EditingText);
  EXPECT_TRUE(w.Enabled("MainMenu_EditUndo"));
  EXPECT_EQ(w.Text("MainMenu_EditUndo"), QStringLiteral("Undo Delete lyrics"));

  w->MainMenu_EditUndoClick();
  EXPECT_EQ(w->Session().EditorMode(), cv::TEditorMode::Viewing);
  EXPECT_EQ(w->DisplayText(), asRead);
  EXPECT_TRUE(w->MyMemo()->isReadOnly());
  EXPECT_TRUE(w.Enabled("MainMenu_TextAssign"));

  w->MainMenu_EditRedoClick();
  EXPECT_EQ(w->Session().EditorMode(), cv::TEditorMode::EditingText);
  EXPECT_TRUE(w->MyMemo()->toPlainText().isEmpty());
  EXPECT_FALSE(w->MyMemo()->isReadOnly());
}

// The transpose window's steps are one change; undone, the window shows the amount again.
TEST(UndoWindow, TheTransposeWindowIsOneEntryAndFollowsTheUndo) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  AppWindow w(TempSettingsFile());
  ASSERT_TRUE(w->DateiOeffnen(Song()));
  w->MainMenu_EditTransposeClick();
  w->TransposeForm()->SetAmount(2);
  w->TransposeForm()->SetAmount(5);
  w->TransposeForm()->Btn_OKClick();
  EXPECT_EQ(w->Session().History().Entries(), 1u);
  EXPECT_EQ(w.Text("MainMenu_EditUndo"), QStringLiteral("Undo Transpose"));
  EXPECT_TRUE(Starred(w));
  w->MainMenu_EditUndoClick();
  EXPECT_EQ(w->TransposeForm()->Amount(), 0);
  EXPECT_FALSE(Starred(w));
  w->MainMenu_EditRedoClick();
  EXPECT_EQ(w->TransposeForm()->Amount(), 5);

  // Opened, moved and brought back: nothing to take back.
  w->MainMenu_EditTransposeClick();
  w->TransposeForm()->SetAmount(3);
  w->TransposeForm()->SetAmount(5);
  w->TransposeForm()->Btn_OKClick();
  EXPECT_EQ(w->Session().History().Entries(), 1u);

  // The key in the status bar follows the transposition, its undo and its redo.
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 100).TimeSig(0, 4, 2).KeySig(0, -1, 0);  // F major
  cvtest::SmfTrack& t = b.AddTrack();
  const char* words[] = {"Title\r", "Artist\r", "one ", "two ", "three\r"};
  for (int i = 0; i < 5; ++i) t.NoteOn(i * 480, 0, 65, 90).Lyric(i * 480 + 7, words[i]).NoteOff(i * 480 + 400, 0, 65);
  ASSERT_TRUE(w->DateiOeffnen(Q(b.WriteTemp("key.mid"))));
  auto key = [&] { return w->Status().Place().section(QStringLiteral(" | "), -1); };
  EXPECT_EQ(key(), QStringLiteral("Key: F major"));
  w->MainMenu_EditTransposeClick();
  w->TransposeForm()->SetAmount(2);
  EXPECT_EQ(key(), QStringLiteral("Key: G major"));
  w->TransposeForm()->Btn_OKClick();
  w->MainMenu_EditUndoClick();
  EXPECT_EQ(key(), QStringLiteral("Key: F major"));
  w->MainMenu_EditRedoClick();
  EXPECT_EQ(key(), QStringLiteral("Key: G major"));
  w->PosSliderChange(1900);  // the place shown again later: still the key in force
  EXPECT_EQ(key(), QStringLiteral("Key: G major"));
}
