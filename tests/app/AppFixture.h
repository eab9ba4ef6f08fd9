// A main window on a temporary settings file, with dialogs answered by the test.
#pragma once

#include <QDir>
#include <QStringList>
#include <initializer_list>
#include <memory>
#include <vector>

#include "app/CV_Main.h"
#include "app/MyRegistry.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

namespace cvapptest {

struct ShownMessage {
  QMessageBox::Icon Icon;
  QString Caption;
  QString Text;
};

class AppWindow {
 public:
  // settingsFile: an INI file (created empty when it does not exist).
  explicit AppWindow(const QString& settingsFile, QString systemLanguage = QStringLiteral("English"),
                     QStringList arguments = {QStringLiteral("cantovex")}) {
    store = std::make_unique<cvapp::TMyRegistry>(settingsFile);
    cvapp::TMainFormOptions o;
    o.Store = store.get();
    o.Arguments = std::move(arguments);
    o.ApplicationDirectory = QString::fromStdString(cvtest::TempDir());
    o.SystemLanguageName = std::move(systemLanguage);
    o.Hooks.Message = [this](QMessageBox::Icon icon, const QString& caption, const QString& text) {
      messages.push_back({icon, caption, text});
    };
    o.Hooks.AskYesNo = [this](const QString&, const QString& text, bool yesFirst) {
      questions << text;
      yesFirsts << yesFirst;
      return answerYes;
    };
    o.Hooks.AskSaveChanges = [this](const QString&, const QString& text) {
      questions << text;
      return saveAnswer;
    };
    o.Hooks.ChooseOpenFile = [this](const QString& title, const QString& start, const QString&) {
      dialogTitles << title;
      dialogStarts << start;
      return nextOpenFile;
    };
    o.Hooks.ChooseSaveFile = [this](const QString& title, const QString&, const QString& filter,
                                    QString& fileName, int& filterIndex) {
      dialogTitles << title;
      saveFilter = filter;
      if (nextSaveFile.isEmpty()) return false;
      fileName = nextSaveFile;
      filterIndex = nextSaveFilter;
      return true;
    };
    o.Hooks.ChooseFolder = [this](const QString& title, const QString&) {
      dialogTitles << title;
      return nextFolder;
    };
    o.Hooks.OpenUrl = [this](const QUrl& url) {
      openedUrls << url;
      return true;
    };
    o.Hooks.AskNumber = [this](const QString&, const QString&, int min, int max, int& value) {
      numberRange = {min, max};
      if (nextNumber < 0) return false;
      value = nextNumber;
      return true;
    };
    window = std::make_unique<cvapp::TMainForm>(std::move(o));
  }

  cvapp::TMainForm* operator->() { return window.get(); }
  bool Enabled(const char* action) { return window->Action(QLatin1String(action))->isEnabled(); }
  QString Text(const char* action) { return window->Action(QLatin1String(action))->text(); }

  std::unique_ptr<cvapp::TMyRegistry> store;
  std::unique_ptr<cvapp::TMainForm> window;
  std::vector<ShownMessage> messages;
  QStringList questions, dialogTitles, dialogStarts;
  QList<QUrl> openedUrls;
  QString nextOpenFile, nextSaveFile, saveFilter, nextFolder;
  int nextSaveFilter = 1;
  bool answerYes = true;
  QList<bool> yesFirsts;  // per question: Yes was the default button
  QMessageBox::StandardButton saveAnswer = QMessageBox::Discard;  // to "Save changes to …?"
  int nextNumber = -1;  // the number the user types; below 0: cancelled
  std::pair<int, int> numberRange;
};

inline QString TempSettingsFile() {
  return QDir(QString::fromStdString(cvtest::TempDir())).filePath(QStringLiteral("Cantovex 3.conf"));
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// A tempo track and a melody with one lyric per note, a beat apart; the song's path.
inline QString OneLyricPerNoteSong(const std::string& name, std::initializer_list<const char*> words) {
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& t = b.AddTrack();
  int tick = 0;
  for (const char* w : words) {
    t.Lyric(tick, w).NoteOn(tick, 0, 60, 90).NoteOff(tick + 400, 0, 60);
    tick += 480;
  }
  return Q(b.WriteTemp(name));
}

}  // namespace cvapptest
