#include "driver/run.h"

#include "driver/scanner.h"
#include "io/failure.h"
#include "unv/run_state.h"

namespace unv2tessal {
namespace {

void setChannels(Channels& c) {
  c.verbose = true;
  c.unvUnit = 10;
  c.xyzUnit = 21;
  c.cncUnit = 22;
  c.inpUnit = 23;
  c.mapUnit = 24;
}

void mainProgram(Run& run) {
  setChannels(run.state.CHANNELS);
  run.console.writeConsoleLine(
      {"IDEAS Universal File -> Quol Grid Converter "});
  run.console.writeConsoleLine({kNoticeLine});
  run.console.writeConsoleLine({" "});
  run.console.writeConsoleLine(
      {"Please enter IDEAS universal filename (*.unv): "});
  const Text64 unvFileName =
      run.console.readFileNameReply(run.state.CHANNELS.unvUnit);
  READ_IDEAS(run, unvFileName);
}

}  // namespace

std::uint32_t runConversion(ConsoleIo& io, std::vector<std::string> args) {
  Run run(io, std::move(args));
  try {
    mainProgram(run);
  } catch (const RunFailure& thrown) {
    // A write behind the conversion that failed before `thrown` ends the
    // run in its place.
    const RunFailure failure = run.units.settleFailure(thrown);
    run.console.writeError(formatReport(failure));
    run.units.closeAll();  // what was written stays in its file
    io.flush();
    return exitStatusFor(failure.report);
  }
  run.units.closeAll();
  io.flush();
  return 0;
}

}  // namespace unv2tessal
