#ifndef UNV2TESSAL_UNV_RUN_STATE_H_
#define UNV2TESSAL_UNV_RUN_STATE_H_

// The records that the converters of one run share, and the Run bundle that
// hands them, the console and the unit table to every operation.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "codecs/layout.h"
#include "io/console.h"
#include "io/units.h"

namespace unv2tessal {

/// Which unit carries which file, and the console totals switch.
struct Channels {
  std::int32_t unvUnit = 0;
  std::int32_t xyzUnit = 0;
  std::int32_t cncUnit = 0;
  std::int32_t inpUnit = 0;
  bool verbose = false;
  std::int32_t mapUnit = 0;
};

/// The three output file names, 64 characters each, blank-padded.
struct FileNames {
  Text64 xyzFileName;
  Text64 cncFileName;
  Text64 inpFileName;
};

/// Numbering offsets and counts, 32-bit signed.
struct Offsets {
  std::int32_t nodeOffset = 0;
  std::int32_t elementOffset = 0;
  std::int32_t elementCount = 0;
  std::int32_t vertexCount = 0;
};

/// The grid dimension.
struct Dim {
  bool is2D = false;
};

/// The four shared records. One value per run; every field starts at zero,
/// false or blanks and is never reset.
struct RunState {
  Channels CHANNELS;
  FileNames FILENAMES;
  Offsets OFFSETS;
  Dim DIM;
};

/// Everything one run works on: the shared records, the console and the
/// unit table. Handed to every operation; nothing of it is global.
struct Run {
  Run(ConsoleIo& io, std::vector<std::string> args)
      : console(io), units(console, std::move(args)) {}

  RunState state;
  Console console;
  Units units;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_RUN_STATE_H_
