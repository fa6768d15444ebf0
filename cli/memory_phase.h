#pragma once
// What the runner is building, for the one line it prints when memory runs
// out: "not enough memory for the model". Phases nest; the innermost one
// names what was being built. A phase left by an exception stays named
// until the next phase begins, so that the handler that catches the
// failure can still say where it came from. Used on the main thread only.

#include <string>

namespace vendrel {

class MemoryPhase {
  public:
    explicit MemoryPhase(std::string what);
    ~MemoryPhase();
    MemoryPhase(const MemoryPhase&) = delete;
    MemoryPhase& operator=(const MemoryPhase&) = delete;

    // The innermost phase live when the exception in flight was thrown, or
    // the innermost live one ("the runner's start" when there is none).
    static std::string current();

  private:
    int exceptions_;  // in flight when the phase began
};

}  // namespace vendrel
