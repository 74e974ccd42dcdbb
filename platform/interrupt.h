// Interrupts of a command-line program (Ctrl-C, a request to terminate, a terminal that closed)
// and a reader that goes away from its output.
#pragma once
#include <cstddef>

namespace vorpex::platform {

// Output to a reader that has gone away fails as a write error instead of ending the process.
void IgnoreBrokenPipe();

// Called at every interrupt, in a signal handler or on a thread of its own: it may only touch
// lock-free atomics and fill `message` (terminated). True defers the interrupt: the program
// goes on and `message` is written to standard error. False lets it end the program as usual.
using InterruptHook = bool (*)(char* message, size_t capacity);

// Sends every later interrupt through `hook` (null: interrupts take their usual course).
void SetInterruptHook(InterruptHook hook);

}  // namespace vorpex::platform
