#pragma once
// Ctrl-C and SIGTERM as a request to stop: the handler only notes the
// signal, and the runners look at it between their steps. Without
// SA_RESTART, so a wait in progress (waitpid, a sleep) returns at once.

namespace vendrel {

void catch_stop_signals();

// The signal that asked to stop, or 0.
int stop_signal_received();

}  // namespace vendrel
