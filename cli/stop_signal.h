#pragma once
// Ctrl-C and SIGTERM as a request to stop: the handler only notes the
// signal, and the runners look at it between their steps. Without
// SA_RESTART, so a wait in progress (waitpid, a sleep) returns at once.

namespace vendrel {

void catch_stop_signals();

// The signal that asked to stop, or 0.
int stop_signal_received();

// While one lives, a stop signal ends the process at once: the handler
// writes `message` (a line, kept by the caller for the object's lifetime)
// to stderr and exits with status 130. For phases that cannot look at the
// flag between steps (opening a project, drawing and exporting the
// outputs): what they write goes into temporaries, unnamed ones that vanish
// with the process or, where the file system has none, named ones that a
// later save into that folder sweeps; so nothing is saved. A signal that came before is
// handled the same way when the object is made.
class StopSignalEndsProcess {
  public:
    explicit StopSignalEndsProcess(const char* message);
    ~StopSignalEndsProcess();
    StopSignalEndsProcess(const StopSignalEndsProcess&) = delete;
    StopSignalEndsProcess& operator=(const StopSignalEndsProcess&) = delete;
};

}  // namespace vendrel
