#include "cli/stop_signal.h"

#include <signal.h>

#include <atomic>

namespace vendrel {
namespace {

std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void on_stop_signal(int signal) {
    stop_signal.store(signal);
}

}  // namespace

void catch_stop_signals() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stop_signal_received() {
    return stop_signal.load();
}

}  // namespace vendrel
