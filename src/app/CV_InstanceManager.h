// One running program per user session and display: a later start hands its arguments to the
// running one and ends.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;

namespace cvapp {

class TInstanceManager : public QObject {
  Q_OBJECT
 public:
  // key: the name both starts agree on; empty gives DefaultKey().
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
  // The socket path of this user session and display: in $XDG_RUNTIME_DIR when it is a folder
  // of ours, else in a private folder named after the user id. Empty when neither can be had
  // (then every start runs on its own).
  static QString DefaultKey();

 private:
  void AcceptConnection();
  QString key_;
  std::unique_ptr<QLocalServer> server_;
  QString handOverText_;
};

}  // namespace cvapp
