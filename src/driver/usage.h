#ifndef UNV2TESSAL_DRIVER_USAGE_H_
#define UNV2TESSAL_DRIVER_USAGE_H_

#include <string_view>

namespace unv2tessal {

/// The answer of unv2tessal to "--help": what it converts, how it is driven,
/// its exit statuses and where to look next.
extern const std::string_view kUsage;

}  // namespace unv2tessal

#endif  // UNV2TESSAL_DRIVER_USAGE_H_
