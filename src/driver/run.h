#ifndef UNV2TESSAL_DRIVER_RUN_H_
#define UNV2TESSAL_DRIVER_RUN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "io/console.h"

namespace unv2tessal {

/// The banner's notice line: the maker and the year, 15 characters.
inline constexpr const char* kNoticeLine = "Quol Team, 2026";

/// Runs one whole conversion on the console `io`: banner, input file
/// question, the dataset scan and its converters. `args` are the
/// command-line arguments (without the program name), used only for files
/// opened under a blank name. Returns the exit status: 0 after a normal run,
/// C0000000 (hexadecimal) plus the report number after a failure, whose
/// report line has gone to the error stream and whose units are closed.
std::uint32_t runConversion(ConsoleIo& io, std::vector<std::string> args);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_DRIVER_RUN_H_
