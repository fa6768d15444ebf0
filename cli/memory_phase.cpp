#include "cli/memory_phase.h"

#include <exception>
#include <vector>

namespace vendrel {
namespace {

struct Phases {
    std::vector<std::string> live;
    std::string left_by_exception;
};

// Room for the phases is taken up front, so that entering one does not
// allocate beyond its own name.
Phases& phases() {
    static Phases p = [] {
        Phases q;
        q.live.reserve(16);
        q.left_by_exception.reserve(256);
        return q;
    }();
    return p;
}

}  // namespace

MemoryPhase::MemoryPhase(std::string what) : exceptions_(std::uncaught_exceptions()) {
    Phases& p = phases();
    p.left_by_exception.clear();
    p.live.push_back(std::move(what));
}

MemoryPhase::~MemoryPhase() {
    Phases& p = phases();
    // The innermost phase is left first: an outer one leaves its name alone.
    if (std::uncaught_exceptions() > exceptions_ && p.left_by_exception.empty()) {
        p.left_by_exception.swap(p.live.back());
    }
    p.live.pop_back();
}

std::string MemoryPhase::current() {
    const Phases& p = phases();
    if (!p.left_by_exception.empty()) {
        return p.left_by_exception;
    }
    return p.live.empty() ? std::string("the runner's start") : p.live.back();
}

}  // namespace vendrel
