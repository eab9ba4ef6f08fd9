// A session front end for benchmarks: every question answered Yes, messages dropped.
#pragma once

#include <string>

#include "session/SessionUi.h"

struct QuietUi : cv::SessionUi {
  bool AskYesNo(const std::string&) override { return true; }
  void Report(const cv::TUserMessage&) override {}
};
