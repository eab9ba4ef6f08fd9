// A second start hands its arguments to the running program and ends.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include "AppFixture.h"
#include "app/CV_InstanceManager.h"

using namespace cvapptest;

namespace {

// Runs the real program as a second start and waits for it while this process keeps
// answering hand-overs.
int RunSecondStart(const QString& key, const QStringList& arguments, QString* output) {
  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("CANTOVEX_INSTANCE_KEY"), key);
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

}  // namespace

TEST(HandOver, SecondStartOpensItsSongInTheRunningProgram) {
  const QString key = QStringLiteral("cantovex-handover-%1").arg(QCoreApplication::applicationPid());
  cvapp::TInstanceManager first(key);
  ASSERT_EQ(first.Start({}), cvapp::TInstanceManager::TStartResult::FirstInstance);
  AppWindow w(TempSettingsFile());
  first.OnHandOver = [&](const QString& text) { w->HandleHandOver(text); };

  cvtest::SmfBuilder b;
  b.AddTrack().Bpm(0, 120).NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60);
  const QString song = Q(b.WriteTemp("handed.kar"));
  QString output;
  EXPECT_EQ(RunSecondStart(key, {QStringLiteral("--verbose"), song, QStringLiteral("other.mid")}, &output), 0)
      << output.toStdString();
  EXPECT_EQ(first.LastHandOverText(),
            QStringLiteral("--verbose\r\n") + song + QStringLiteral("\r\nother.mid\r\n"));
  EXPECT_TRUE(w->MidiFileLoaded());
  EXPECT_EQ(QString::fromStdString(w->CurrentSong().MidiFileName), song);

  // Without arguments the second start ends without handing anything over.
  EXPECT_EQ(RunSecondStart(key, {}, nullptr), 0);
  EXPECT_EQ(first.LastHandOverText(),
            QStringLiteral("--verbose\r\n") + song + QStringLiteral("\r\nother.mid\r\n"));
}
