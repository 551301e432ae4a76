#ifndef UNV2TESSAL_CHECK_FE_NAMES_H_
#define UNV2TESSAL_CHECK_FE_NAMES_H_

#include <cstdint>
#include <string_view>

namespace unv2tessal {

/// The element kind of an FE descriptor id ("thin shell linear triangle"),
/// or "unknown element kind" for an id this tool does not know.
std::string_view feDescriptorName(std::int32_t feId);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_FE_NAMES_H_
