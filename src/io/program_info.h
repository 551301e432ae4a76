#ifndef UNV2TESSAL_IO_PROGRAM_INFO_H_
#define UNV2TESSAL_IO_PROGRAM_INFO_H_

#include <string>
#include <string_view>

namespace unv2tessal {

/// The version of every program of the project (the build's project
/// version, "1.0.0").
inline constexpr std::string_view kProjectVersion = UNV2TESSAL_VERSION;

/// What a command-line argument asks for before a program does its work.
enum class InfoRequest { kNone, kHelp, kVersion };

/// "--help" or "-h" asks for the usage, "--version" or "-V" for the
/// version; any other argument asks for nothing.
inline InfoRequest infoRequest(std::string_view arg) {
  if (arg == "--help" || arg == "-h") return InfoRequest::kHelp;
  if (arg == "--version" || arg == "-V") return InfoRequest::kVersion;
  return InfoRequest::kNone;
}

/// The answer to "--version": "<program> <version>" and a line end.
inline std::string versionLine(std::string_view program) {
  return std::string(program) + " " + std::string(kProjectVersion) + "\n";
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_PROGRAM_INFO_H_
