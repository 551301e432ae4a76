#include <signal.h>

#include <span>
#include <string>
#include <vector>

#include "driver/run.h"
#include "driver/usage.h"
#include "io/console.h"
#include "io/interrupt.h"
#include "io/shell.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  // --help and --version, as the first argument only, are answered before
  // the banner, their output checked as every program of ours checks it.
  std::string info;
  if (unv2tessal::answerInfoRequest("unv2tessal", unv2tessal::kUsage,
                                    std::span(args).first(args.empty() ? 0 : 1),
                                    &info)) {
    return unv2tessal::writeReports("unv2tessal", 0, info, "");
  }
  // A console that went away must not kill the run in the middle of a write.
  ::signal(SIGPIPE, SIG_IGN);
  unv2tessal::installInterruptHandlers();
  unv2tessal::FdConsoleIo io;
  const std::uint32_t status = unv2tessal::runConversion(io, std::move(args));
  // A POSIX exit status keeps the low 8 bits of C0000000 + N, that is N.
  return static_cast<int>(status & 0xFFu);
}
