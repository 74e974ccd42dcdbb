// Interrupts of a command-line program (Ctrl-C, a request to terminate, a terminal that closed,
// a request to quit) and a reader that goes away from its output.
#pragma once
#include <cstddef>

namespace vorpex::platform {

// Output to a reader that has gone away fails as a write error instead of ending the process.
void IgnoreBrokenPipe();

// Called at every interrupt, in a signal handler or on a thread of its own: it may only touch
// lock-free atomics and fill `message` (terminated). `signal` is the interrupt's number as a
// shell counts it in an exit status of 128 + the number: the signal's own on Linux; on Windows
// Ctrl-C counts as 2 (an interrupt), Ctrl-Break as 3 (a quit) and closing the console as 1 (a
// hang-up). True defers the interrupt: the program goes on and `message` is written to standard
// error. False lets it end the program as usual.
using InterruptHook = bool (*)(int signal, char* message, size_t capacity);

// Sends every later interrupt through `hook` (null: interrupts take their usual course).
void SetInterruptHook(InterruptHook hook);

}  // namespace vorpex::platform
