#ifndef UNV2TESSAL_IO_INTERRUPT_H_
#define UNV2TESSAL_IO_INTERRUPT_H_

namespace unv2tessal {

/// Installs handlers for the console interrupts: SIGINT (the interrupt key,
/// "control-C"), SIGQUIT (the break key, "control-BREAK") and SIGHUP (the
/// console closed, "window-CLOSE"). The handlers only record the event; a
/// blocked console read returns at once, and the run ends with report 200 at
/// the next console line, console read or input-buffer refill.
void installInterruptHandlers();

/// Throws the report-200 failure if an interrupt has arrived.
void checkInterrupt();

/// Waits until `fd` has input, end of input or an error to report. Throws
/// the report-200 failure when an interrupt is pending or arrives during the
/// wait, however close to its start. Without installed handlers it only
/// checks for a pending interrupt.
void awaitInput(int fd);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_INTERRUPT_H_
