#ifndef UNV2TESSAL_ELEMENTS_READ_ELEM_H_
#define UNV2TESSAL_ELEMENTS_READ_ELEM_H_

#include "unv/run_state.h"

namespace unv2tessal {

/// Converts one element dataset into the connectivity file and the
/// renumbering map: asks the grid dimension and the file name, writes the
/// elements of that dimension, leaves is2D, elementOffset and elementCount
/// in the shared records; returns after the closing delimiter.
void READ_ELEM(Run& run);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_ELEMENTS_READ_ELEM_H_
