#include "dng/dng_stray_files.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr int kSlots = 16;
constexpr std::size_t kMaxPath = 4096;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

enum SlotState : int { kFree, kFilling, kArmed };

// Plain storage the handler can read: a slot's path is complete before it is armed.
struct Slot {
    std::atomic<int> state{kFree};
    char path[kMaxPath];
};
Slot gSlots[kSlots];

void RemoveStrayFilesAndDie(int signal) {
    for (Slot& slot : gSlots)
        if (slot.state.load() == kArmed) ::unlink(slot.path);
    // SA_RESETHAND has restored the default action; SA_NODEFER lets it act at once.
    ::raise(signal);
}

void InstallHandler() {
    for (const int signal : kSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = RemoveStrayFilesAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER | SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

dng_termination_signals_held::dng_termination_signals_held() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : kSignals) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &fSaved);
}

dng_termination_signals_held::~dng_termination_signals_held() { pthread_sigmask(SIG_SETMASK, &fSaved, nullptr); }

int RegisterStrayFile(const std::string& path) {
    static std::once_flag installed;
    std::call_once(installed, InstallHandler);
    if (path.size() >= kMaxPath) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!gSlots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
        gSlots[i].state.store(kArmed);
        return i;
    }
    return -1;
}

void UnregisterStrayFile(int slot) {
    if (slot >= 0 && slot < kSlots) gSlots[slot].state.store(kFree);
}
