#pragma once
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace test_support {

// Without the powers that let root write anywhere, for the calling thread and one scope, so
// the file modes of a test folder hold for root as for anyone.
class WithoutFileOverrides {
public:
    WithoutFileOverrides() {
        if (::geteuid() != 0) {
            holds_ = true;
            return;
        }
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (const int power : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[power / 32].effective &= ~(1u << (power % 32));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
        holds_ = dropped_;
    }
    ~WithoutFileOverrides() {
        if (dropped_) ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutFileOverrides(const WithoutFileOverrides&) = delete;
    WithoutFileOverrides& operator=(const WithoutFileOverrides&) = delete;

    // Whether file modes now bind this thread: false when root's powers could not be set aside.
    bool Holds() const { return holds_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
    bool holds_ = false;
};

}  // namespace test_support
