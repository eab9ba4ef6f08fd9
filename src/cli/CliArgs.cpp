#include "cli/CliArgs.h"

#include <charconv>
#include <filesystem>

#include "cli/CliCommand.h"
#include "song/Language.h"

namespace cvcli {

std::optional<std::string> TakeValue(std::vector<std::string>& args, const std::string& name) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name) {
      const std::string value = NextValue(args, i, name);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i) - 1, args.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return value;
    }
    if (args[i].rfind(name + "=", 0) == 0) {
      std::string value = args[i].substr(name.size() + 1);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return value;
    }
  }
  return std::nullopt;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
  for (size_t i = 0; i < args.size(); ++i)
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  return false;
}

void RejectUnknownOptions(const std::vector<std::string>& args) {
  for (const std::string& a : args)
    if (a.size() > 1 && a[0] == '-') throw CliUsageError{cv::Tr("Unbekannte Option: ", "Unknown option: ") + a};
}

std::string NextValue(const std::vector<std::string>& args, size_t& i, const std::string& option) {
  if (i + 1 >= args.size()) throw CliUsageError{option + ": " + cv::Tr("Wert fehlt", "value missing")};
  return args[++i];
}

std::string ExistingFolder(const std::string& option, const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_directory(std::filesystem::u8path(path), ec))
    throw CliFailure(cv::Tr("Den Ordner \"" + path + "\" (" + option + ") gibt es nicht: Prüfen Sie den Namen.",
                            "The folder \"" + path + "\" (" + option + ") does not exist: check its name."),
                     path);
  return path;
}

int ParseNumber(const std::string& option, const std::string& text, int min, int max) {
  int v = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (!text.empty() && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, v);
  if (ec != std::errc() || ptr != end || begin == end || v < min || v > max)
    throw CliUsageError{option + ": " + cv::Tr("eine ganze Zahl von ", "a whole number from ") + std::to_string(min) +
                        cv::Tr(" bis ", " to ") + std::to_string(max) +
                        cv::Tr(" erwartet, nicht \"", " expected, not \"") + text + "\""};
  return v;
}

std::string ExecutableDir() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

}  // namespace cvcli
