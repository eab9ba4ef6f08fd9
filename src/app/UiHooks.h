// The main window's ways to talk to the user. The defaults are Qt dialogs; tests put in their
// own to answer and to record what the user would have seen.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <functional>
#include <tuple>
#include <utility>

namespace cvapp {

// Says that the program called a dialog nobody provided (a fault of the program, not the user's).
void ReportMissingHook();

// A dialog hook. Calling an empty one is a reported fault and gives the "cancelled" answer
// (false, an empty name, no button), never an exception through the event loop.
template <class Signature>
class THook;
template <class R, class... A>
class THook<R(A...)> : public std::function<R(A...)> {
  using Base = std::function<R(A...)>;

 public:
  using Base::Base;
  using Base::operator=;
  R operator()(A... args) const {
    if (!static_cast<const Base&>(*this)) {
      ReportMissingHook();
      return R();
    }
    return Base::operator()(std::forward<A>(args)...);
  }
};

struct TUiHooks {
  THook<void(QMessageBox::Icon, const QString& caption, const QString& text)> Message;
  // yesFirst: Yes is the button Enter presses (else No, for a question that may cost work).
  THook<bool(const QString& caption, const QString& text, bool yesFirst)> AskYesNo;
  // Save / Discard / Cancel for a modified song about to be replaced or closed.
  THook<QMessageBox::StandardButton(const QString& caption, const QString& text)> AskSaveChanges;
  // Open dialog: the chosen file or empty.
  THook<QString(const QString& title, const QString& startFolder, const QString& filter)> ChooseOpenFile;
  // Save dialog: false when cancelled; filterIndex counts from 1.
  THook<bool(const QString& title, const QString& startFolder, const QString& filter, QString& fileName,
             int& filterIndex)>
      ChooseSaveFile;
  // Folder dialog: the chosen folder or empty.
  THook<QString(const QString& title, const QString& startFolder)> ChooseFolder;
  // Shows a web page in the desktop's browser; false when there is none.
  THook<bool(const QUrl&)> OpenUrl;
  // A whole number from min to max; false when cancelled.
  THook<bool(const QString& caption, const QString& label, int min, int max, int& value)> AskNumber;
};

// Every hook of a set, as one tuple of references. The binding names each member, so a hook
// added above does not compile until it is added here too: none can be left without a dialog.
template <class Hooks>
auto HookMembers(Hooks& h) {
  auto& [message, askYesNo, askSaveChanges, chooseOpenFile, chooseSaveFile, chooseFolder, openUrl, askNumber] = h;
  return std::tie(message, askYesNo, askSaveChanges, chooseOpenFile, chooseSaveFile, chooseFolder, openUrl,
                  askNumber);
}

// Real dialogs, parented to the given window.
TUiHooks DefaultUiHooks(QWidget* parent);

// The given hooks, each one left empty filled with its real dialog.
TUiHooks WithRealDialogs(TUiHooks given, QWidget* parent);

}  // namespace cvapp
