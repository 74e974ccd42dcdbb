// Interrupts of vorpex, of every kind that can be caught: Ctrl-C, a request to terminate, a
// terminal that closed, a request to quit (on Windows: Ctrl-C, Ctrl-Break, a console closed).
// They all take one path. Where stopping at once would leave something half-done (a copy, an
// image not yet in its place, an upgrade under way) they are deferred: a copy takes the first
// one as the Cancel button of its progress window and removes what it began, the upgrade runs
// to its end; the program then exits with 128 + the interrupt's number (130 for Ctrl-C).
// Elsewhere an interrupt ends the program at once, as it ends any other.
#pragma once
#include <cstddef>

namespace vorpex::cli {

// Fills what standard error says at a deferred interrupt (terminated). It runs inside the
// interrupt: it may only touch lock-free atomics.
using InterruptNotice = void (*)(char* message, size_t capacity);

// Sends every interrupt through this program's path; once, before any command runs.
void CatchInterrupts();
// From now on interrupts are recorded instead of ending the program; `notice`, when given,
// tells the user what happens instead.
void DeferInterrupts(InterruptNotice notice = nullptr);
// Later interrupts end the program again; those recorded stay recorded.
void StopDeferringInterrupts();
// Whether an interrupt was recorded.
bool Interrupted();
// The exit status after an interrupt: 128 + the first recorded one's number (a cancel that no
// interrupt caused counts as Ctrl-C).
int InterruptedStatus();

}  // namespace vorpex::cli
