#include "app/CV_InstanceManager.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cvapp {

namespace {
constexpr int kWaitMs = 5000;
constexpr qint64 kMaxHandOverBytes = 1 << 20;

// The display this start shows its window on: ":0.0" and ":0" are one X display.
QString DisplayName() {
  QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (display.isEmpty()) {
    display = qEnvironmentVariable("DISPLAY");
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    const qsizetype dot = display.lastIndexOf(QLatin1Char('.'));
    if (colon >= 0 && dot > colon) display.truncate(dot);
  }
  if (display.isEmpty()) return QStringLiteral("none");
  for (QChar& c : display)
    if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.')) c = QLatin1Char('_');
  return display;
}

#ifdef Q_OS_UNIX
// A folder only this user can enter: others must not see or take over our socket.
bool IsPrivateFolder(const QString& path) {
  struct stat st {};
  return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == getuid() && (st.st_mode & 0077) == 0;
}

QString RuntimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime)) return runtime;
  // No session folder: one of our own, named after the user id (names can be unset or shared).
  const QString own = QDir::temp().filePath(QStringLiteral("cantovex3-%1").arg(getuid()));
  mkdir(QFile::encodeName(own).constData(), 0700);
  return IsPrivateFolder(own) ? own : QString();
}
#else
QString RuntimeFolder() { return QDir::homePath(); }
#endif
}  // namespace

QString TInstanceManager::DefaultKey() {
  const QString folder = RuntimeFolder();
  if (folder.isEmpty()) return {};
#ifdef Q_OS_UNIX
  return QDir(folder).filePath(QStringLiteral("cantovex3-%1.socket").arg(DisplayName()));
#else
  // A pipe name, not a path: the user's folder stands for the user.
  return QStringLiteral("Cantovex 3-%1-%2").arg(qHash(folder)).arg(DisplayName());
#endif
}

TInstanceManager::TInstanceManager(QString key, QObject* parent)
    : QObject(parent), key_(key.isEmpty() ? DefaultKey() : std::move(key)) {}

TInstanceManager::~TInstanceManager() = default;

QString TInstanceManager::HandOverText(const QStringList& arguments) {
  QString text;
  for (const QString& a : arguments) text += a + QStringLiteral("\r\n");
  return text;
}

TInstanceManager::TStartResult TInstanceManager::Start(const QStringList& arguments) {
  if (key_.isEmpty()) return TStartResult::FirstInstance;
  // The lock orders two starts that race each other (the named mutex of old).
  QLockFile lock(QDir::isAbsolutePath(key_) ? key_ + QStringLiteral(".lock")
                                            : QDir::temp().filePath(QString(key_).replace(QLatin1Char('/'), QLatin1Char('_')) +
                                                                    QStringLiteral(".lock")));
  lock.setStaleLockTime(kWaitMs * 2);
  if (!lock.tryLock(kWaitMs)) return TStartResult::AnotherIsBusy;

  QLocalSocket socket;
  socket.connectToServer(key_);
  if (socket.waitForConnected(1000)) {
    const QString text = HandOverText(arguments);
    if (text.isEmpty()) return TStartResult::HandedOver;
    const QByteArray payload = text.toUtf8();
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), frame.data());
    socket.write(frame + payload);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kWaitMs)) {
    }
    char answer = 0;
    if (socket.bytesToWrite() == 0 && socket.waitForReadyRead(kWaitMs) && socket.read(&answer, 1) == 1 &&
        answer > 0)
      return TStartResult::HandedOver;
    // No answer: go on as a normal start (without a receiving end).
    return TStartResult::FirstInstance;
  }
  // Nobody listens: take the name (a crashed program may have left its socket behind).
  QLocalServer::removeServer(key_);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (server_->listen(key_))
    connect(server_.get(), &QLocalServer::newConnection, this, &TInstanceManager::AcceptConnection);
  return TStartResult::FirstInstance;
}

void TInstanceManager::AcceptConnection() {
  while (QLocalSocket* raw = server_->nextPendingConnection()) {
    QPointer<QLocalSocket> socket(raw);
    connect(raw, &QLocalSocket::disconnected, raw, &QObject::deleteLater);
    connect(raw, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket) return;
      if (socket->bytesAvailable() < 4) return;
      const QByteArray head = socket->peek(4);
      const quint32 size = qFromBigEndian<quint32>(head.constData());
      if (size > kMaxHandOverBytes) {
        socket->abort();
        return;
      }
      if (socket->bytesAvailable() < 4 + static_cast<qint64>(size)) return;
      socket->read(4);
      handOverText_ = QString::fromUtf8(socket->read(size));
      socket->write("\x01", 1);
      socket->flush();
      // Once this slot is left: the song may ask "Save changes?", and the socket must not go
      // (its sender ends and disconnects) while its own signal is still running.
      QTimer::singleShot(0, this, [this, text = handOverText_] {
        if (OnHandOver) OnHandOver(text);
      });
    });
  }
}

}  // namespace cvapp
