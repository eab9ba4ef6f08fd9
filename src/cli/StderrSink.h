// Messages of the core (writers, lyrics steps) on stderr as "caption: text", one line each.
#pragma once

#include <ostream>
#include <string>

#include "song/MessageSink.h"

namespace cvcli {

class StderrSink : public cv::MessageSink {
 public:
  explicit StderrSink(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& caption, const std::string& text) override {
    err_ << caption << ": " << text << "\n";
  }

 private:
  std::ostream& err_;
};

}  // namespace cvcli
