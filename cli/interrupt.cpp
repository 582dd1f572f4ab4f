#include "cli/interrupt.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace cli {

namespace {

std::atomic<int> interrupts = 0;
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    if (interrupts.fetch_add(1) >= 1)
        ::_exit(130);
}

} // namespace

void InstallInterruptHandler() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() {
    return interrupts.load() > 0;
}

} // namespace cli
