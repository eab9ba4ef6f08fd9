#include "app/ScriptedUser.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPointer>
#include <QTextStream>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <QTest>

namespace cvapp {

namespace {

constexpr int kStepTimeoutMs = 30000;

class TScriptedUser : public QObject {
 public:
  TScriptedUser(QMainWindow& window, QStringList steps, const QString& logFile)
      : QObject(&window), window_(&window), steps_(std::move(steps)), log_(logFile) {
    if (!logFile.isEmpty()) log_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &TScriptedUser::Tick);
    timer->start(50);
    waiting_.start();
  }

 private:
  void Log(const QString& line) {
    if (!log_.isOpen()) return;
    log_.write((line + QLatin1Char('\n')).toUtf8());
    log_.flush();
  }

  void Tick() {
    if (!window_) return;
    if (window_->windowTitle() != lastTitle_) {
      lastTitle_ = window_->windowTitle();
      Log(QStringLiteral("title: ") + lastTitle_);
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != lastModal_) {
      lastModal_ = modal;
      if (modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        Log(QStringLiteral("modal: ") + QLatin1String(modal->metaObject()->className()) + QStringLiteral(" ") +
            modal->windowTitle() + (box ? QStringLiteral(" | ") + box->text() : QString()));
      }
    }
    if (next_ >= steps_.size()) return;
    const QString step = steps_[next_];
    const qsizetype space = step.indexOf(QLatin1Char(' '));
    const QString verb = step.left(space);
    const QString arg = space < 0 ? QString() : step.mid(space + 1).trimmed();
    if (Do(verb, arg)) {
      ++next_;
      waiting_.restart();
    } else if (waiting_.elapsed() > kStepTimeoutMs) {
      Log(QStringLiteral("timeout: ") + step);
      std::_Exit(3);
    }
  }

  // Done: true. Not yet possible: false (tried again on the next tick).
  bool Do(const QString& verb, const QString& arg) {
    QWidget* modal = QApplication::activeModalWidget();
    if (verb == QLatin1String("title")) return window_->windowTitle().contains(arg);
    if (verb == QLatin1String("key") || verb == QLatin1String("menu")) {
      if (modal || QApplication::activePopupWidget()) return false;
      if (verb == QLatin1String("menu")) {
        QAction* action = window_->findChild<QAction*>(arg);
        if (!action || !action->isEnabled()) return false;
        // Later, so a dialog it opens runs its own loop outside this tick.
        QTimer::singleShot(0, action, &QAction::trigger);
        return true;
      }
      // Keys reach the window the desktop has made active, as a user's do.
      if (!window_->isActiveWindow()) {
        window_->activateWindow();
        return false;
      }
      const QKeySequence keys(arg);
      if (keys.isEmpty()) return false;
      const QKeyCombination key = keys[0];
      QPointer<QWidget> target = QApplication::focusWidget() ? QApplication::focusWidget() : window_.data();
      // As the keyboard delivers it: shortcuts first, then the focused control.
      QTimer::singleShot(0, target, [target, key] { if (target) QTest::keyClick(target, key.key(), key.keyboardModifiers()); });
      return true;
    }
    if (verb == QLatin1String("button")) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) return false;
      bool ok = false;
      const int which = QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(arg.toLatin1().constData(), &ok);
      QAbstractButton* button = ok ? box->button(static_cast<QMessageBox::StandardButton>(which)) : nullptr;
      if (!button) return false;
      Log(QStringLiteral("dialog: ") + box->windowTitle() + QStringLiteral(" | ") + box->text());
      QTimer::singleShot(0, button, &QAbstractButton::click);
      return true;
    }
    if (verb == QLatin1String("number")) {
      auto* dialog = qobject_cast<QInputDialog*>(modal);
      if (!dialog) return false;
      Log(QStringLiteral("dialog: ") + dialog->windowTitle() + QStringLiteral(" | ") + dialog->labelText());
      dialog->setIntValue(arg.toInt());
      QTimer::singleShot(0, dialog, &QDialog::accept);
      return true;
    }
    if (verb == QLatin1String("file")) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (!dialog) return false;
      Log(QStringLiteral("dialog: ") + dialog->windowTitle() + QStringLiteral(" | ") + dialog->nameFilters().join(QStringLiteral(";;")));
      Log(QStringLiteral("folder: ") + dialog->directory().absolutePath());
      // Typed into the name field, as a user does: selectFile leaves a focused field as it is.
      if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(arg);
      else
        dialog->selectFile(arg);
      Log(QStringLiteral("selected: ") + dialog->selectedFiles().join(QStringLiteral(";")));
      QTimer::singleShot(0, dialog, &QDialog::accept);
      return true;
    }
    Log(QStringLiteral("unknown step: ") + verb);
    std::_Exit(3);
  }

  QPointer<QMainWindow> window_;
  QStringList steps_;
  QFile log_;
  qsizetype next_ = 0;
  QString lastTitle_;
  QPointer<QWidget> lastModal_;
  QElapsedTimer waiting_;
};

}  // namespace

void StartScriptedUser(QMainWindow& window) {
  const QString script = qEnvironmentVariable("CANTOVEX_SCRIPTED_USER");
  if (script.isEmpty()) return;
  QFile file(script);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    qCritical("Cannot read the script %s", qUtf8Printable(script));
    std::_Exit(3);
  }
  QStringList steps;
  for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
    if (!line.trimmed().isEmpty()) steps << line.trimmed();
  new TScriptedUser(window, steps, qEnvironmentVariable("CANTOVEX_SCRIPTED_USER_LOG"));
}

}  // namespace cvapp
