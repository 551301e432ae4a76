#ifndef UNV2TESSAL_DRIVER_SCANNER_H_
#define UNV2TESSAL_DRIVER_SCANNER_H_

#include "codecs/layout.h"
#include "unv/run_state.h"

namespace unv2tessal {

/// Opens the universal file, walks its datasets and hands nodes (2411),
/// elements (2412) and groups (2435) to their converters; every other
/// dataset is passed over. Prints "Opening File " and, at the end, "Done.".
void READ_IDEAS(Run& run, const Text64& unvFileName);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_DRIVER_SCANNER_H_
