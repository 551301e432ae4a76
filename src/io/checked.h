#ifndef UNV2TESSAL_IO_CHECKED_H_
#define UNV2TESSAL_IO_CHECKED_H_

#include <cstdint>

#include "io/failure.h"

namespace unv2tessal {

/// 32-bit signed a + b; an overflow ends the run with report 165.
inline std::int32_t checkedAdd(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_add_overflow(a, b, &r))
    throw RunFailure(kReportIntegerOverflow);
  return r;
}

/// 32-bit signed a - b; an overflow ends the run with report 165.
inline std::int32_t checkedSub(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_sub_overflow(a, b, &r))
    throw RunFailure(kReportIntegerOverflow);
  return r;
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_CHECKED_H_
