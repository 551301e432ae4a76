#ifndef UNV2TESSAL_IO_HELPER_THREADS_H_
#define UNV2TESSAL_IO_HELPER_THREADS_H_

#include <functional>
#include <thread>

namespace unv2tessal {

/// True when this process may run on more than one CPU (its affinity mask):
/// only then do reading and writing move to threads of their own. On one
/// CPU they would only take turns with the conversion.
bool helperThreadsPay();

/// Starts `body` on a new thread that never takes the console interrupts:
/// they stay with the thread that runs the conversion, which acts on them.
std::thread startHelperThread(std::function<void()> body);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_HELPER_THREADS_H_
