// Taking a command's arguments apart: options with values, flags, whole numbers in a range.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cvcli {

// Removes "--name VALUE" (or "--name=VALUE") from args.
std::optional<std::string> TakeValue(std::vector<std::string>& args, const std::string& name);
// Removes a flag "--name" from args.
bool TakeFlag(std::vector<std::string>& args, const std::string& name);
// An option left over in args (none of the command's) is a usage error naming it.
void RejectUnknownOptions(const std::vector<std::string>& args);
// The value after option args[i], stepping i over it; a usage error when there is none.
std::string NextValue(const std::vector<std::string>& args, size_t& i, const std::string& option);
// path, when it is a folder; otherwise a failure naming the option (a mistyped folder must not
// pass unnoticed).
std::string ExistingFolder(const std::string& option, const std::string& path);
// A whole number (a leading + allowed) within limits, else a usage error naming the option.
int ParseNumber(const std::string& option, const std::string& text, int min, int max);

// The folder of the running program (data files are looked for next to it).
std::string ExecutableDir();

}  // namespace cvcli
