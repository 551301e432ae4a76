#ifndef UNV2TESSAL_DRIVER_USAGE_H_
#define UNV2TESSAL_DRIVER_USAGE_H_

#include <string>
#include <vector>

namespace unv2tessal {

/// The answer of unv2tessal to "--help": what it converts, how it is driven,
/// its exit statuses and where to look next.
extern const char* const kUsage;

/// Answers a first command-line argument (`args` without the program name)
/// "--help" or "-h" with the usage, "--version" or "-V" with the name and
/// version, appended to *out, and returns true: the program then ends with
/// status 0 before its banner. Any other first argument, or none, returns
/// false and keeps its role in the conversion (a file name for a blank
/// reply); only the first argument is looked at.
bool answerInfoRequest(const std::vector<std::string>& args, std::string* out);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_DRIVER_USAGE_H_
