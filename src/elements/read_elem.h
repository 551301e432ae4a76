#ifndef UNV2TESSAL_ELEMENTS_READ_ELEM_H_
#define UNV2TESSAL_ELEMENTS_READ_ELEM_H_

#include "codecs/layout.h"
#include "unv/run_state.h"

namespace unv2tessal {

/// A connectivity line: number, two blanks, shape code, two blanks, vertex
/// count, two blanks, then the vertex numbers in 10 columns each.
inline constexpr RecordLayout kConnectivityRecord{IntegerField(10),
                                                  SkipField(2),
                                                  IntegerField(1),
                                                  SkipField(2),
                                                  IntegerField(1),
                                                  SkipField(2),
                                                  Repeat(8, IntegerField(10))};

/// Converts one element dataset into the connectivity file and the
/// renumbering map: asks the grid dimension and the file name, writes the
/// elements of that dimension, leaves is2D, elementOffset and elementCount
/// in the shared records; returns after the closing delimiter.
void READ_ELEM(Run& run);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_ELEMENTS_READ_ELEM_H_
