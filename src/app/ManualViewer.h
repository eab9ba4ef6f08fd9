// The operating manual in the program's own window, for systems without a web browser.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace cvapp {

class TManualViewer : public QDialog {
  Q_OBJECT
 public:
  explicit TManualViewer(QWidget* parent = nullptr);
  // Shows the HTML file; false when it cannot be read.
  bool Show(const QString& file);
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

// Whether the desktop has a program registered for web pages (on Linux asked of xdg-mime; a
// start of xdg-open succeeds even when nothing can show the page).
bool DesktopShowsWebPages();

}  // namespace cvapp
