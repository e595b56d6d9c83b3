#pragma once
#include <csignal>
#include <string>

// Named temporary files that must not outlive the program: when SIGTERM, SIGINT or SIGHUP
// ends it, each registered file is removed before the signal takes its default course.
// The handler is installed once, for each of those signals that still has its default action.

// While alive, SIGTERM, SIGINT and SIGHUP wait in this thread, so a file and its
// registration come and go together.
class dng_termination_signals_held {
public:
    dng_termination_signals_held();
    ~dng_termination_signals_held();
    dng_termination_signals_held(const dng_termination_signals_held&) = delete;
    dng_termination_signals_held& operator=(const dng_termination_signals_held&) = delete;

private:
    sigset_t fSaved;
};

// Registers `path` for removal; returns its slot, or -1 when the path is too long or all
// slots are in use (the file is then not removed on a signal).
int RegisterStrayFile(const std::string& path);

// Forgets the file of `slot` (from RegisterStrayFile; -1 is ignored).
void UnregisterStrayFile(int slot);
