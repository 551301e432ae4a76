#ifndef UNV2TESSAL_CHECK_FILE_CHECK_H_
#define UNV2TESSAL_CHECK_FILE_CHECK_H_

#include <string>

#include "check/check_report.h"

namespace unv2tessal {

/// Checks one universal file in one streaming pass, in memory that does
/// not grow with the mesh, without creating or changing any file. Never
/// throws: a file that cannot be read gives a report whose `failure` says
/// where and why. The verdict and the warnings are filled in.
CheckReport checkFile(const std::string& path);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_FILE_CHECK_H_
