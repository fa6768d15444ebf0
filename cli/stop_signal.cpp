#include "cli/stop_signal.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace vendrel {
namespace {

std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The message of the live StopSignalEndsProcess, or null.
std::atomic<const char*> end_message{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

[[noreturn]] void end_process(const char* message) {
    // Only async-signal-safe calls: write(2) and _exit(2).
    std::size_t left = std::strlen(message);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, message, left);
        if (n <= 0) {
            break;
        }
        message += n;
        left -= std::size_t(n);
    }
    ::_exit(130);
}

extern "C" void on_stop_signal(int signal) {
    stop_signal.store(signal);
    if (const char* message = end_message.load(); message != nullptr) {
        end_process(message);
    }
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

StopSignalEndsProcess::StopSignalEndsProcess(const char* message) {
    end_message.store(message);
    if (stop_signal.load() != 0) {
        end_process(message);
    }
}

StopSignalEndsProcess::~StopSignalEndsProcess() {
    end_message.store(nullptr);
}

}  // namespace vendrel
