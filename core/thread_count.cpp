#include "core/thread_count.h"

#include <sched.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <thread>

namespace vendrel {

int usable_processors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return std::max(1, CPU_COUNT(&set));
    }
    return std::max(1, int(std::thread::hardware_concurrency()));
}

std::optional<int> parse_thread_count(std::string_view value) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!value.empty() && blank(value.front())) {
        value.remove_prefix(1);
    }
    const std::size_t end = value.find(',');
    std::string_view first = value.substr(0, end);
    while (!first.empty() && blank(first.back())) {
        first.remove_suffix(1);
    }
    long count = 0;
    const auto [ptr, ec] = std::from_chars(first.data(), first.data() + first.size(), count);
    if (ec != std::errc() || ptr != first.data() + first.size() || count < 1) {
        return std::nullopt;
    }
    return int(std::min<long>(count, kMaxWorkerThreads));
}

int default_thread_count() {
    const int usable = usable_processors();
    const char* value = std::getenv("OMP_NUM_THREADS");
    const std::optional<int> asked = value != nullptr ? parse_thread_count(value) : std::nullopt;
    return std::min(asked.value_or(usable), usable);
}

int run_thread_count(int omp_threads) {
    if (omp_threads <= 0) {
        return default_thread_count();
    }
    return std::min({omp_threads, kMaxWorkerThreads, usable_processors()});
}

}  // namespace vendrel
