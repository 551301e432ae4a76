#ifndef UNV2TESSAL_CHECK_UNVCHECK_H_
#define UNV2TESSAL_CHECK_UNVCHECK_H_

#include <string>
#include <vector>

namespace unv2tessal {

/// Runs unvcheck on the command-line arguments (without the program name):
/// "--json" and file names in any order. Appends the reports to *out and
/// the failure lines and usage to *err. Returns the exit status: the worst
/// of the files' (0 clean, 1 warnings, 2 cannot be read); 2 also for a
/// command line without any file. "--help" or "--version" (-h, -V) before
/// any "--" is answered on *out instead, with status 0.
int runUnvcheck(const std::vector<std::string>& args, std::string* out,
                std::string* err);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_UNVCHECK_H_
