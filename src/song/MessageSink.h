// Where core operations send messages meant for the user: the GUI shows a message box, the CLI
// prints to stderr, tests record them. The core itself never prints.
#pragma once

#include <functional>
#include <string>

namespace cv {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // A warning with its caption; both texts are finished and in the user's language.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
};

// A question for the user, finished text in the user's language; true means yes. Without one the
// caller takes the documented default.
using YesNoQuestion = std::function<bool(const std::string& question)>;

// Swallows every message (for callers that report failures themselves).
class SilentSink : public MessageSink {
 public:
  void ShowMessage(const std::string&, const std::string&) override {}
};

}  // namespace cv
