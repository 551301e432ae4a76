#include "codecs/fast_fields.h"

namespace unv2tessal {

bool transcribeRealExactly(std::string_view cols, char* dst, bool* overflow) {
  double value = 0.0;
  if (!readRealField(cols, 16, &value)) return false;
  *overflow = !writeExponentField(value, kExponentFieldWidth, 8, dst);
  return true;
}

}  // namespace unv2tessal
