// A second start of the same user session and display hands its arguments to the running program
// and ends; starts of other sessions or displays run on their own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTimer>
#include <unistd.h>

#include "AppFixture.h"
#include "app/CV_InstanceManager.h"
#include "AppBinary.h"

using namespace cvapptest;

namespace {

// Runs the real program as a second start and waits for it while this process keeps
// answering hand-overs.
int RunSecondStart(const QStringList& arguments, QString* output,
                   const QProcessEnvironment& changes = QProcessEnvironment()) {
  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& name : changes.keys()) {
    if (changes.value(name).isEmpty()) env.remove(name);
    else env.insert(name, changes.value(name));
  }
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), Q(cvtest::TempDir()));
  second.setProcessEnvironment(env);
  second.setProcessChannelMode(QProcess::MergedChannels);
  QEventLoop loop;
  QObject::connect(&second, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  second.start(QStringLiteral(CANTOVEX_APP_BINARY), arguments);
  loop.exec();
  if (second.state() != QProcess::NotRunning) {
    second.kill();
    second.waitForFinished();
    return -1;
  }
  if (output) *output = QString::fromLocal8Bit(second.readAll());
  return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -2;
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
 public:
  void Set(const char* name, const QString& value) {
    if (!saved_.contains(name)) saved_.insert(name, qgetenv(name));
    if (value.isNull()) qunsetenv(name);
    else qputenv(name, value.toLocal8Bit());
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.cbegin(); it != saved_.cend(); ++it)
      if (it.value().isNull()) qunsetenv(it.key().constData());
      else qputenv(it.key().constData(), it.value());
  }

 private:
  QMap<QByteArray, QByteArray> saved_;
};

QString PrivateFolder() {
  const QString dir = Q(cvtest::TempDir());
  QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return dir;
}

}  // namespace

TEST(HandOver, SecondStartOpensItsSongInTheRunningProgram) {
  cvapp::TInstanceManager first;
  ASSERT_EQ(first.Start({}), cvapp::TInstanceManager::TStartResult::FirstInstance);
  AppWindow w(TempSettingsFile());
  first.OnHandOver = [&](const QString& text) { w->HandleHandOver(text); };

  cvtest::SmfBuilder b;
  b.AddTrack().Bpm(0, 120).NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60);
  const QString song = Q(b.WriteTemp("handed.kar"));
  QString output;
  EXPECT_EQ(RunSecondStart({QStringLiteral("--verbose"), song, QStringLiteral("other.mid")}, &output), 0)
      << output.toStdString();
  EXPECT_EQ(first.LastHandOverText(),
            QStringLiteral("--verbose\r\n") + song + QStringLiteral("\r\nother.mid\r\n"));
  EXPECT_TRUE(w->MidiFileLoaded());
  EXPECT_EQ(QString::fromStdString(w->CurrentSong().MidiFileName), song);

  // Without arguments the second start ends without handing anything over.
  EXPECT_EQ(RunSecondStart({}, nullptr), 0);
  EXPECT_EQ(first.LastHandOverText(),
            QStringLiteral("--verbose\r\n") + song + QStringLiteral("\r\nother.mid\r\n"));
}

TEST(HandOver, OnlyStartsOfTheSameSessionFolderAndDisplayMeet) {
  ScopedEnvironment env;
  const QString session = PrivateFolder();
  env.Set("XDG_RUNTIME_DIR", session);
  env.Set("DISPLAY", QStringLiteral(":7"));
  env.Set("WAYLAND_DISPLAY", QString());
  env.Set("USER", QStringLiteral("alice"));
  const QString key = cvapp::TInstanceManager::DefaultKey();
  EXPECT_TRUE(key.startsWith(session + QLatin1Char('/'))) << key.toStdString();

  // The user's name plays no part; the screen number of an X display neither.
  env.Set("USER", QString());
  EXPECT_EQ(cvapp::TInstanceManager::DefaultKey(), key);
  env.Set("DISPLAY", QStringLiteral(":7.0"));
  EXPECT_EQ(cvapp::TInstanceManager::DefaultKey(), key);
  env.Set("DISPLAY", QStringLiteral(":8"));
  EXPECT_NE(cvapp::TInstanceManager::DefaultKey(), key);
  // A session folder others can enter is not used: the fallback is private and named by user id.
  const QString open = Q(cvtest::TempDir());
  QFile::setPermissions(open, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
  env.Set("XDG_RUNTIME_DIR", open);
  EXPECT_TRUE(cvapp::TInstanceManager::DefaultKey().contains(QStringLiteral("cantovex3-%1/").arg(getuid())))
      << cvapp::TInstanceManager::DefaultKey().toStdString();

  env.Set("DISPLAY", QStringLiteral(":7"));
  env.Set("XDG_RUNTIME_DIR", session);
  cvapp::TInstanceManager first;
  ASSERT_EQ(first.Start({}), cvapp::TInstanceManager::TStartResult::FirstInstance);
  AppWindow w(TempSettingsFile());
  first.OnHandOver = [&](const QString& text) { w->HandleHandOver(text); };

  // Another session folder or another display: a start of its own, nothing handed over.
  {
    env.Set("XDG_RUNTIME_DIR", PrivateFolder());
    cvapp::TInstanceManager other;
    EXPECT_EQ(other.Start({QStringLiteral("song.mid")}), cvapp::TInstanceManager::TStartResult::FirstInstance);
    env.Set("XDG_RUNTIME_DIR", session);
    env.Set("DISPLAY", QStringLiteral(":9"));
    cvapp::TInstanceManager otherDisplay;
    EXPECT_EQ(otherDisplay.Start({QStringLiteral("song.mid")}), cvapp::TInstanceManager::TStartResult::FirstInstance);
    env.Set("DISPLAY", QStringLiteral(":7"));
  }
  EXPECT_TRUE(first.LastHandOverText().isEmpty());

  // The same session without a user name still reaches the running program.
  QProcessEnvironment changes;
  changes.insert(QStringLiteral("USER"), QString());
  EXPECT_EQ(RunSecondStart({QStringLiteral("x.mid")}, nullptr, changes), 0);
  EXPECT_EQ(first.LastHandOverText(), QStringLiteral("x.mid\r\n"));
}
