#include "Interrupt.h"

#include <csignal>

namespace glanmail::cli {
namespace {

// A signal handler can only set a flag of this type; the save looks at it between messages.
volatile std::sig_atomic_t requested = 0;
struct sigaction previousInt {};
struct sigaction previousTerm {};

extern "C" void OnInterrupt(int /*signal*/) {
    requested = 1;
}

} // namespace

InterruptCatcher::InterruptCatcher() {
    requested = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a write waiting on a slow device returns and the flag is seen
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
}

InterruptCatcher::~InterruptCatcher() {
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
}

bool InterruptCatcher::Requested() {
    return requested != 0;
}

} // namespace glanmail::cli
