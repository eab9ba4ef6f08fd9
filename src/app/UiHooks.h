// The main window's ways to talk to the user. The defaults are Qt dialogs; tests put in their
// own to answer and to record what the user would have seen.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <functional>

namespace cvapp {

struct TUiHooks {
  std::function<void(QMessageBox::Icon, const QString& caption, const QString& text)> Message;
  std::function<bool(const QString& caption, const QString& text)> AskYesNo;
  // Save / Discard / Cancel for a modified song about to be replaced or closed.
  std::function<QMessageBox::StandardButton(const QString& caption, const QString& text)> AskSaveChanges;
  // Open dialog: the chosen file or empty.
  std::function<QString(const QString& title, const QString& startFolder, const QString& filter)>
      ChooseOpenFile;
  // Save dialog: false when cancelled; filterIndex counts from 1.
  std::function<bool(const QString& title, const QString& startFolder, const QString& filter,
                     QString& fileName, int& filterIndex)>
      ChooseSaveFile;
  // Shows a web page in the desktop's browser; false when there is none.
  std::function<bool(const QUrl&)> OpenUrl;
  // A whole number from min to max; false when cancelled.
  std::function<bool(const QString& caption, const QString& label, int min, int max, int& value)> AskNumber;
};

// Real dialogs, parented to the given window.
TUiHooks DefaultUiHooks(QWidget* parent);

}  // namespace cvapp
