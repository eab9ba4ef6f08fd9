// What the song session needs from whoever drives it: the window answers with dialogs, the
// command-line tool with its options and stderr, tests with a recorder.
#pragma once

#include <string>
#include <utility>

namespace cv {

enum class TSeverity { Info, Warning, Error };

// A message for the user: finished text in the user's language. An empty caption lets the
// front end use its own title.
struct TUserMessage {
  TSeverity Severity = TSeverity::Error;
  std::string Text;
  std::string Caption;
  std::string File;  // the file the message is about, when the text does not name it
};

inline TUserMessage UserMessage(TSeverity severity, std::string text, std::string caption = {},
                                std::string file = {}) {
  return {severity, std::move(text), std::move(caption), std::move(file)};
}

class SessionUi {
 public:
  virtual ~SessionUi() = default;
  // A yes/no question in the user's language; true means Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  virtual void Report(const TUserMessage& message) = 0;
  // A syllable that the song's encoding cannot hold is about to be saved: true saves the whole
  // song as UTF-8, false cancels the save.
  virtual bool AskSaveAsUtf8(const std::string& question) { return AskYesNo(question); }
  // Leaving the edit text: did the user keep the title-line rules? The expected answer (they just
  // wrote the text) is Yes, so a window makes it the default.
  virtual bool AskRulesFollowed(const std::string& question) { return AskYesNo(question); }
  // How the user inserts a lead-in here, for advice in messages: the window's menu item.
  virtual std::string LeadInHow() const;
};

}  // namespace cv
