// One running program per user: a later start hands its arguments to the running one and ends.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace cvapp {

class TInstanceManager : public QObject {
  Q_OBJECT
 public:
  // key: the name both starts agree on; empty gives the per-user default
  // (CANTOVEX_INSTANCE_KEY in the environment overrides it, for tests).
  explicit TInstanceManager(QString key = {}, QObject* parent = nullptr);
  ~TInstanceManager() override;

  enum class TStartResult { FirstInstance, HandedOver, AnotherIsBusy };
  // First start: listen for hand-overs. Later start: send the arguments (each followed by CR LF)
  // and tell the caller to end. Without arguments a later start ends without sending.
  TStartResult Start(const QStringList& arguments);

  // Called on the running program with the handed-over text.
  std::function<void(const QString&)> OnHandOver;
  QString LastHandOverText() const { return handOverText_; }
  QString Key() const { return key_; }

  static QString HandOverText(const QStringList& arguments);

 private:
  void AcceptConnection();
  QString key_;
  std::unique_ptr<QLocalServer> server_;
  QString handOverText_;
};

}  // namespace cvapp
