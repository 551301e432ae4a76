#include <signal.h>

#include <string>
#include <vector>

#include "driver/run.h"
#include "driver/usage.h"
#include "io/console.h"
#include "io/interrupt.h"

int main(int argc, char** argv) {
  // A console that went away must not kill the run in the middle of a write.
  ::signal(SIGPIPE, SIG_IGN);
  unv2tessal::installInterruptHandlers();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  unv2tessal::FdConsoleIo io;
  std::string info;
  if (unv2tessal::answerInfoRequest(args, &info)) {
    io.writeOut(info);
    io.flush();
    return 0;
  }
  const std::uint32_t status = unv2tessal::runConversion(io, std::move(args));
  // A POSIX exit status keeps the low 8 bits of C0000000 + N, that is N.
  return static_cast<int>(status & 0xFFu);
}
