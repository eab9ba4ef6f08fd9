// A session front end for tests that answers every question with Yes and keeps what it was told.
#pragma once

#include <string>
#include <vector>

#include "session/SessionUi.h"

namespace cvtest {

struct QuietUi : cv::SessionUi {
  bool AskYesNo(const std::string&) override { return true; }
  void Report(const cv::TUserMessage& message) override { messages.push_back(message.Text); }
  std::vector<std::string> messages;
};

}  // namespace cvtest
