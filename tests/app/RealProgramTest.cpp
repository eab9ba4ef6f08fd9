// The program as a user meets it: the real binary on the offscreen platform with nothing
// replaced, its dialogs answered by a scripted user that presses the real keys and buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <tuple>

#include "AppBinary.h"
#include "AppFixture.h"

using namespace cvapptest;

namespace {

// A fresh user: own settings, own session folder (hand-overs meet only its own starts), own home.
class RealProgram {
 public:
  explicit RealProgram(const char* locale = "en_US.UTF-8") : dir_(Q(cvtest::TempDir())) {
    for (const char* sub : {"config", "run", "home"}) QDir(dir_).mkpath(QLatin1String(sub));
    QFile::setPermissions(Path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env_.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
    env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path("run"));
    env_.insert(QStringLiteral("HOME"), Path("home"));
    env_.insert(QStringLiteral("LC_ALL"), QLatin1String(locale));
    env_.insert(QStringLiteral("LANG"), QLatin1String(locale));
  }
  ~RealProgram() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished();
    }
  }

  QString Path(const char* name) const { return QDir(dir_).filePath(QLatin1String(name)); }

  void Start(const QStringList& arguments, const QStringList& steps) {
    QFile script(Path("script"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(steps.join(QLatin1Char('\n')).toUtf8());
    script.close();
    QProcessEnvironment env = env_;
    env.insert(QStringLiteral("CANTOVEX_SCRIPTED_USER"), Path("script"));
    env.insert(QStringLiteral("CANTOVEX_SCRIPTED_USER_LOG"), Path("log"));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(CANTOVEX_APP_BINARY), arguments);
    ASSERT_TRUE(process_.waitForStarted());
  }

  // A second start of the program in the same session, as a file manager's double-click does.
  int SecondStart(const QStringList& arguments) const {
    QProcess second;
    second.setProcessEnvironment(env_);
    second.start(QStringLiteral(CANTOVEX_APP_BINARY), arguments);
    if (!second.waitForFinished(20000)) {
      second.kill();
      second.waitForFinished();
      return -1;
    }
    return second.exitCode();
  }

  QString Log() const {
    QFile f(Path("log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }

  bool WaitForLog(const QString& text) const {
    QElapsedTimer t;
    t.start();
    while (!Log().contains(text)) {
      if (t.elapsed() > 20000 || process_.state() == QProcess::NotRunning) return false;
      QThread::msleep(50);
    }
    return true;
  }

  // The exit code once the program ended by itself (-1: still running after 45 s, killed). A
  // stalled step ends the program sooner, with a "timeout:" line in the log.
  int Finish() {
    if (!process_.waitForFinished(45000)) {
      process_.kill();
      process_.waitForFinished();
      return -1;
    }
    output_ = QString::fromLocal8Bit(process_.readAll());
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -2;
  }
  QString Output() const { return output_; }
  std::string Trace() const { return ("log:\n" + Log() + "\noutput:\n" + output_).toStdString(); }

 private:
  QString dir_;
  QProcessEnvironment env_;
  QProcess process_;
  QString output_;
};

QString Song(const std::string& name) {
  return OneLyricPerNoteSong(name, {"Title\r", "Artist\r", "Hel", "lo ", "world\r"});
}

// Where the song's first note lies as the file on disk says.
int FirstNoteTick(const QString& file) {
  AppWindow w(TempSettingsFile());
  if (!w->DateiOeffnen(file)) return -1;
  return w->CurrentSong().MelodyTrack.TrkFirstEvent->NextEvent->Position;
}

const QStringList kLeadInOfTwoBars = {QStringLiteral("menu MainMenu_EditLeadIn"), QStringLiteral("number 2"),
                                      QStringLiteral("title *")};

}  // namespace

// The window as the program builds it: every dialog hook has its real dialog.
TEST(RealProgram, EveryDialogHookHasItsDialog) {
  cvapp::TMyRegistry store(TempSettingsFile());
  cvapp::TMainFormOptions options;
  options.Store = &store;
  options.ApplicationDirectory = Q(cvtest::TempDir());
  cvapp::TMainForm window(std::move(options));
  int hooks = 0, set = 0;
  std::apply([&](auto&... hook) { ((++hooks, set += static_cast<bool>(hook) ? 1 : 0), ...); },
             cvapp::HookMembers(window.Hooks()));
  EXPECT_EQ(set, hooks);

  // A hook that is somehow empty is said and answered "cancelled": the modified song stays.
  ASSERT_TRUE(window.DateiOeffnen(Song("kept.mid")));
  ASSERT_TRUE(window.Session().InsertLeadIn(1));
  window.Hooks().AskSaveChanges = nullptr;
  EXPECT_FALSE(window.MaySongGo());
  EXPECT_TRUE(window.Session().Modified());
  QWidget* said = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("MissingDialogMessage") && w->isVisible()) said = w;
  ASSERT_NE(said, nullptr);
  said->close();
}

// Insert lead-in asks for its bars; Exit asks about the changes and does what the user answers.
TEST(RealProgram, LeadInThenExitAsksAboutTheChanges) {
  struct Case {
    const char* locale;
    const char* answer;
    const char* question;
    int firstNote;  // in the file afterwards
  } cases[] = {
      {"en_US.UTF-8", "Save", "Save changes to \"song.mid\"?", 2 * 1920},
      {"de_DE.UTF-8", "Discard", "Änderungen an \"song.mid\" speichern?", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    RealProgram program(c.locale);
    const QString song = Song("song.mid");
    program.Start({song}, QStringList{QStringLiteral("title song.mid")} + kLeadInOfTwoBars +
                              QStringList{QStringLiteral("key Ctrl+Q"), QStringLiteral("button ") + c.answer});
    EXPECT_EQ(program.Finish(), 0) << program.Trace();
    EXPECT_TRUE(program.Log().contains(QStringLiteral("dialog:  ") + (c.firstNote ? "Insert lead-in" : "Vorlauf einfügen")))
        << program.Trace();
    EXPECT_TRUE(program.Log().contains(QString::fromUtf8(c.question))) << program.Trace();
    EXPECT_EQ(FirstNoteTick(song), c.firstNote);
  }
}

// File > Open asks before the modified song goes; Cancel keeps it, Discard opens the other one.
TEST(RealProgram, OpenAsksBeforeAModifiedSongGoes) {
  RealProgram program;
  const QString first = Song("first.mid"), second = Song("second.mid");
  program.Start({first}, QStringList{QStringLiteral("title first.mid")} + kLeadInOfTwoBars +
                             QStringList{QStringLiteral("key Ctrl+O"), QStringLiteral("button Cancel"),
                                         QStringLiteral("key Ctrl+O"), QStringLiteral("button Discard"),
                                         QStringLiteral("file ") + second, QStringLiteral("title second.mid"),
                                         QStringLiteral("key Ctrl+Q"), QStringLiteral("button Yes")});
  EXPECT_EQ(program.Finish(), 0) << program.Trace();
  // Answered twice (the log also names each dialog as it comes up).
  const QRegularExpression answered(QStringLiteral("^dialog: .*Save changes to \"first.mid\"\\?$"),
                                    QRegularExpression::MultilineOption);
  EXPECT_EQ(program.Log().count(answered), 2) << program.Trace();
  EXPECT_EQ(FirstNoteTick(first), 0);  // discarded
}

// A second start hands its song over: the running program asks first, and saves when told to.
TEST(RealProgram, HandOverAsksBeforeAModifiedSongGoes) {
  RealProgram program;
  const QString first = Song("first.mid"), second = Song("second.mid");
  program.Start({first}, QStringList{QStringLiteral("title first.mid")} + kLeadInOfTwoBars +
                             QStringList{QStringLiteral("button Save"), QStringLiteral("title second.mid"),
                                         QStringLiteral("key Ctrl+Q"), QStringLiteral("button Yes")});
  ASSERT_TRUE(program.WaitForLog(QStringLiteral("first.mid*"))) << program.Trace();
  EXPECT_EQ(program.SecondStart({second}), 0);
  EXPECT_EQ(program.Finish(), 0) << program.Trace();
  EXPECT_TRUE(program.Log().contains(QStringLiteral("Save changes to \"first.mid\"?"))) << program.Trace();
  EXPECT_EQ(FirstNoteTick(first), 2 * 1920);
}
