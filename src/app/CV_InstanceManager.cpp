#include "app/CV_InstanceManager.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QtEndian>

namespace cvapp {

namespace {
constexpr int kWaitMs = 5000;
constexpr qint64 kMaxHandOverBytes = 1 << 20;

QString DefaultKey() {
  const QByteArray fromEnv = qgetenv("CANTOVEX_INSTANCE_KEY");
  if (!fromEnv.isEmpty()) return QString::fromLocal8Bit(fromEnv);
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
  return QStringLiteral("Cantovex 3-") + user;
}
}  // namespace

TInstanceManager::TInstanceManager(QString key, QObject* parent)
    : QObject(parent), key_(key.isEmpty() ? DefaultKey() : std::move(key)) {}

TInstanceManager::~TInstanceManager() = default;

QString TInstanceManager::HandOverText(const QStringList& arguments) {
  QString text;
  for (const QString& a : arguments) text += a + QStringLiteral("\r\n");
  return text;
}

TInstanceManager::TStartResult TInstanceManager::Start(const QStringList& arguments) {
  // The lock orders two starts that race each other (the named mutex of old).
  QLockFile lock(QDir::temp().filePath(QString(key_).replace(QLatin1Char('/'), QLatin1Char('_')) +
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
      if (OnHandOver) OnHandOver(handOverText_);
    });
  }
}

}  // namespace cvapp
