// Everything cantovex-cli says: a command's result on stdout (text for people, or with --json one
// JSON object), and warnings and errors on stderr (a line of text each, or one JSON object a line).
#pragma once

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "song/MessageSink.h"

namespace cvcli {

// Keeps keys in the order a command adds them, so the JSON reads like the text.
using Json = nlohmann::ordered_json;

// One JSON value as --json prints it (compact; invalid UTF-8 replaced).
std::string DumpJson(const Json& value);

// Renders a command's result for people; the text is made from the very object --json prints.
using TextForm = void (*)(const Json& result, std::ostream& out);

class CliOutput {
 public:
  CliOutput(std::ostream& out, std::ostream& err, bool json) : out_(out), err_(err), json_(json) {}

  bool IsJson() const { return json_; }
  void SetJson(bool json) { json_ = json; }
  // Live output of a running command (play's lyrics, progress); commands use it only for text.
  std::ostream& Out() { return out_; }
  std::ostream& Err() { return err_; }

  void Result(const Json& result, TextForm text);
  // {"warning": {"message", "file"}} / "file: message"; the command goes on.
  void Warning(const std::string& message, const std::string& file = {});
  // {"error": {"message", "file"}} / "file: message"; the command ends with a non-zero code.
  void Error(const std::string& message, const std::string& file = {});

 private:
  void Message(const char* kind, const std::string& message, const std::string& file);

  std::ostream& out_;
  std::ostream& err_;
  bool json_;
};

// The core's messages (writers, Prompta, lyrics steps) as warnings of the command.
class WarningSink : public cv::MessageSink {
 public:
  explicit WarningSink(CliOutput& output, std::string file = {}) : output_(output), file_(std::move(file)) {}
  void ShowMessage(const std::string& caption, const std::string& text) override;

 private:
  CliOutput& output_;
  std::string file_;
};

}  // namespace cvcli
