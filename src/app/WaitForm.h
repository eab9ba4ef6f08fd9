// The wait window: a borderless box with a running progress bar, shown while slow work (loading
// the synthesizer and its SoundFont) runs on another thread, so the window keeps drawing.
#pragma once

#include <QDialog>
#include <functional>

class QProgressBar;
class QTimer;

namespace cvapp {

class TWaitForm : public QDialog {
  Q_OBJECT
 public:
  TWaitForm(const QString& caption, double scale, QWidget* parent);
  // Runs work on a thread of its own while the window shows; returns when it is done.
  void Run(const std::function<void()>& work);

 protected:
  void reject() override {}  // Esc cannot leave the work running behind a closed window

 private:
  QProgressBar* bar_;
  QTimer* progressTimer_;
};

}  // namespace cvapp
