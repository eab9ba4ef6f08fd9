#include "app/WaitForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <thread>

namespace cvapp {

TWaitForm::TWaitForm(const QString& caption, double scale, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("WaitForm"));
  setWindowTitle(caption);
  setModal(true);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 4, 6, 4);
  auto* label = new QLabel(caption, this);
  column->addWidget(label);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  column->addWidget(bar_);
  setFixedWidth(static_cast<int>(400 * scale));
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(100);
  connect(progressTimer_, &QTimer::timeout, this, [this] { bar_->setValue((bar_->value() + 3) % 100); });
}

void TWaitForm::Run(const std::function<void()>& work) {
  std::thread worker([&work, this] {
    work();
    // Queued: the dialog's own loop closes it, even when the work ends before that loop runs.
    QMetaObject::invokeMethod(this, [this] { accept(); }, Qt::QueuedConnection);
  });
  progressTimer_->start();
  exec();
  progressTimer_->stop();
  worker.join();
}

}  // namespace cvapp
