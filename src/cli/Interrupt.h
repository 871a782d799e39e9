#pragma once
// Ctrl+C (SIGINT) and SIGTERM during a save: instead of ending the process in the middle of
// a file, they ask the save to stop; it removes the file it was writing, reports what it
// wrote and ends with status 130.

namespace glanmail::cli {

// Catches the two signals while it lives; the previous handlers come back after.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    // True once either signal has come.
    static bool Requested();
};

} // namespace glanmail::cli
